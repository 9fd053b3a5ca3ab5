#pragma once
// The "&PSI" page of the main window: the request tree twPSI with its popup menu pmtwPSI, the
// data editor txtPSIDataEditor with "Lock Length", the byte-description grid sgByteDescription,
// and the two commands of the "&Search" menu. The page draws the view's tree (built by the loading
// pass) and hands every operator action to the RequestTreeEditor, which decides what reaches the
// tree, the simulation file and the engine.
//
// The page holds no file or engine: it reaches them through the controller at each action, and
// while a load runs (BeginLoad to Rebuild) its views are empty and disabled, so nothing refers to
// a tree, file or engine the load replaces. The views stay disabled while no simulation file is
// loaded.
#include "EditingPageHooks.h"
#include "HexLineEdit.h"
#include "RequestTreeEditor.h"

#include <QIcon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class OperatorDialogs;
class QAction;
class QCheckBox;
class QMenu;
class QTreeWidgetItem;
class SimulationController;
class UnknownRequestList;
class ByteDescriptionGrid;
class RequestTreeWidget;

inline constexpr int ByteNumberColumnWidth = 40;
inline constexpr int ByteDescriptionColumnWidth = 150;
inline constexpr int ByteDescriptionRowHeight = 18;
// The state image a node is drawn with: its kind.
inline constexpr int StateImageRole = Qt::UserRole + 1;
inline constexpr int RootStateImage = 3;
inline constexpr int RequestStateImage = 1;
inline constexpr int AnswerStateImage = 2;

using PsiPageHooks = EditingPageHooks;

class PsiPage final : public QWidget {
    Q_OBJECT
public:
    // find and searchAgain: the "&Search" menu's commands, enabled while a simulation is loaded.
    PsiPage(SimulationController& controller, OperatorDialogs& dialogs, PsiPageHooks hooks, QAction* find,
            QAction* searchAgain, QWidget* parent);
    ~PsiPage() override;

    // Before a load: what is unwritten is written, and the views are emptied and disabled.
    void BeginLoad();
    // After a load, failed or not: the view's tree drawn anew; enabled with a simulation file.
    void Rebuild();
    // Before Save: an open cell or caption editor is committed and every unwritten edit written.
    void FlushEdits();

    RequestTreeEditor& Editor() { return editor_; }

    // ---- handlers ----
    void twPSIChange(QTreeWidgetItem* current);
    bool twPSIKeyDown(const QKeyEvent& event);
    void twPSIDblClick(QTreeWidgetItem* item);
    void twPSIEdited(QTreeWidgetItem* item, int column);
    void twPSIDragDrop(const std::vector<UnknownRequestRow>& rows);
    void pmExpandAllClick();
    void pmCollapseAllClick();
    void mNodeAddAnswerClick();
    void mNodeDeleteClick();
    void mCopyNodeClick();
    void mPasteNodeClick();
    void mFindByteDescriptionClick();
    void mSearchAgainClick();
    void txtPSIDataEditorEnter();
    void txtPSIDataEditorChange(const QString& text);
    bool txtPSIDataEditorKeyDown(const QKeyEvent& event);
    void txtPSIDataEditorClick();
    void txtPSIDataEditorExit();
    void cbPSIEditorLockLengthClick();
    void sgByteDescriptionSetEditText(int row, int column);
    void sgByteDescriptionKeyPress();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Host;

    void BuildControls();
    void BuildPopup();
    QTreeWidgetItem* ItemOf(TreeNode node) const;
    TreeNode NodeOf(QTreeWidgetItem* item) const;
    // The nodes of group g of the view's tree.
    QTreeWidgetItem* NewRoot(std::size_t group);
    void FillGroup(QTreeWidgetItem* root, std::size_t group);
    // Draws a group anew after an edit changed its children, and the editor's selection.
    void RedrawGroup(std::int32_t group);
    void SelectNode(TreeNode node);
    void ShowNode();
    void ShowDescriptions();
    void EnterDataEditor(QTreeWidgetItem* item);
    void SetViewsEnabled(bool enabled);

    // The icons of the three kinds of node.
    struct NodeIcons {
        QIcon Root, Request, Answer;
    };

    SimulationController& controller_;
    PsiPageHooks hooks_;
    NodeIcons icons_;
    std::unique_ptr<Host> host_;
    RequestTreeEditor editor_;
    QAction* find_ = nullptr;
    QAction* searchAgain_ = nullptr;
    int rememberedCaret_ = 0;

    RequestTreeWidget* twPSI_ = nullptr;
    QMenu* pmtwPSI_ = nullptr;
    HexLineEdit* txtPSIDataEditor_ = nullptr;
    QCheckBox* cbPSIEditorLockLength_ = nullptr;
    ByteDescriptionGrid* sgByteDescription_ = nullptr;
};
