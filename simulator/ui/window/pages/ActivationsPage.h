#pragma once
// The "&Activations" page of the main window: the group gbActivation ("Activation <p>/<max>")
// with the up-down udActivation that pages through the activations, the name, the request and
// answer hex editors, the request list (one row per step repetition: intra-frame time, request)
// and the answer list of the selected row, "New" and "Refresh", and the hidden move buttons that
// Shift+Up and Shift+Down reach. The page draws what the activations model (ActivationEditor)
// holds and hands it every operator action; the model checks a whole activation before it
// writes the file and registers it with the engine.
//
// The page holds no file or engine: the model is made for each loaded simulation (Rebuild) and
// dropped before the next load (BeginLoad), and its engine calls reach the engine the window has
// at each call. Without a simulation file the page's views are disabled; without an activation
// shown (a simulation that has none) only "New" is enabled.
#include "ActivationEditor.h"
#include "CurrentEngineCalls.h"
#include "EditingPageHooks.h"
#include "UnknownRequests.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class HexLineEdit;
class OperatorDialogs;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidgetItem;
class ReportList;
class SimulationController;

inline constexpr int IntraFrameColumnWidth = 60;
inline constexpr int RequestColumnWidth = 295;
inline constexpr int AnswerColumnWidth = 355;

using ActivationsPageHooks = EditingPageHooks;

class ActivationsPage final : public QWidget {
    Q_OBJECT
public:
    ActivationsPage(SimulationController& controller, OperatorDialogs& dialogs, ActivationsPageHooks hooks,
                    QWidget* parent);
    ~ActivationsPage() override;

    // Before a load: the activation shown is stored, the model dropped, the views emptied and
    // disabled.
    void BeginLoad();
    // After a load, failed or not: a model on the loaded simulation, the activation at the
    // up-down's position shown; without a simulation file the views stay disabled.
    void Rebuild();
    // Before Save: a caption still being edited committed, the activation shown stored, and the
    // lists drawn as the file then holds them (rows without a request gone).
    void FlushEdits();
    // The window closes: the model dropped, before the simulation file goes.
    void Detach();

    ActivationEditor* Editor() { return editor_.get(); }

    // ---- handlers ----
    // The up-down moves by one (+1 up, -1 down), wrapping: the store first, then the next shown.
    void udActivationClick(int step);
    void cmdNewActivationClick();
    void cmdRefreshActClick();
    void lwActivationRequestsSelectItem(QTreeWidgetItem* item);
    bool lwActivationRequestsKeyDown(const QKeyEvent& event);
    void cmdMoveActivationUpClick();
    void cmdMoveActivationDownClick();
    void lwActivationAnswersSelectItem(QTreeWidgetItem* item);
    bool lwActivationAnswersKeyDown(const QKeyEvent& event);
    void lwActivationRequestsEdited(QTreeWidgetItem* item, int column);
    void txtActivationNameChange(const QString& text);
    void txtActivationReqEditorChange(const QString& text);
    void txtActivationAnsEditorChange(const QString& text);
    void lwActivationRequestsDragDrop(const std::vector<UnknownRequestRow>& rows);

private:
    void BuildControls();
    void SetViewsEnabled(bool enabled);
    // Everything anew: caption, name, both lists, both editors.
    void DrawAll();
    void DrawRequests();
    void DrawAnswers();
    void DrawEditors();
    void DrawCaption();

    SimulationController& controller_;
    OperatorDialogs& dialogs_;
    ActivationsPageHooks hooks_;
    CurrentEngineCalls engine_;
    std::unique_ptr<ActivationEditor> editor_;

    QGroupBox* gbActivation_ = nullptr;
    QToolButton* udActivationDown_ = nullptr;
    QToolButton* udActivationUp_ = nullptr;
    QLineEdit* txtActivationName_ = nullptr;
    HexLineEdit* txtActivationReqEditor_ = nullptr;
    HexLineEdit* txtActivationAnsEditor_ = nullptr;
    ReportList* lwActivationRequests_ = nullptr;
    ReportList* lwActivationAnswers_ = nullptr;
    QPushButton* cmdNewActivation_ = nullptr;
    QPushButton* cmdRefreshAct_ = nullptr;
    QPushButton* cmdMoveActivationUp_ = nullptr;
    QPushButton* cmdMoveActivationDown_ = nullptr;
};
