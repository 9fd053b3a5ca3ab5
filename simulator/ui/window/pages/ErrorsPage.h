#pragma once
// The "&Errors" page of the main window: "Auto Scanning" and "New" above the tabs tcErrors, one
// per fault-reading request; under them the request (read-only) and its description, the group
// "Answer" with the five radio buttons of the answer columns, the hex editor of the selected cell
// and the grid sgErrorAnswers of every column's answers. The page draws what the errors model
// (ErrorRequestsEditor) holds and hands it every operator action; the model decides what reaches
// the simulation file and the engine. The one-second timer tErrorScanTimer runs the automatic
// fault-code scanning (FaultScanDriver through ErrorScanning), which sends the current code to
// the ZULM unit's port.
//
// The page holds no file or engine: the model is made for each loaded simulation (Rebuild) and
// dropped before the next load (BeginLoad), and its engine calls reach the engine the window has
// at each call. Without a simulation file the page's views are disabled; on a tab without a
// request (made by "New", until a drop gives it one) the description, the radio buttons and the
// answer editor are.
//
// A scanning step never starts inside another of the page's actions or inside a step of its own:
// the timer's tick is skipped while a handler of the page runs, including while a message box it
// raised is open.
#include "CurrentEngineCalls.h"
#include "EditingPageHooks.h"
#include "ErrorRequests.h"
#include "FaultScanDriver.h"
#include "UnknownRequests.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class HexLineEdit;
class OperatorDialogs;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableWidget;
class QTimer;
class SimulationController;
class TCommPort1;

inline constexpr int ErrorAnswerRowHeight = 18;
inline constexpr const char* DropForRequestHint = "Drop an unknown request here to give this tab its request";
inline constexpr const char* ZulmPortTitle = "ZULM Options";
inline constexpr const char* ZulmPortPrompt = "Insert ZULM COM Port";

inline constexpr std::array<const char*, AnswerColumnCount> AnswerRadioNames = {
    "rbNoErrors", "rbOneError", "rbTwoErrors", "rbThreeErrors", "rbNErrors"};
inline constexpr std::array<const char*, AnswerColumnCount> AnswerRadioCaptions = {
    "No Errors", "One Error", "Two Errors", "Three Errors", "Manual"};

// What the page needs of the window beyond the controller and the dialogs.
struct ErrorsPageHooks : EditingPageHooks {
    // The scanning's share of the window: the fault-reading counter of the traffic log, the
    // options of the "Settings" page, the item of "Error Scanning Request" and the ZULM port.
    std::function<std::int32_t()> FaultReadingCount;
    std::function<void()> ResetFaultReadingCount;
    std::function<ScanSettings()> ScanOptions;
    std::function<int()> ScanRequestItem;
    TCommPort1* Zulm = nullptr;
};

class ErrorsPage final : public QWidget {
    Q_OBJECT
public:
    ErrorsPage(SimulationController& controller, OperatorDialogs& dialogs, ErrorsPageHooks hooks, QWidget* parent);
    ~ErrorsPage() override;

    // Before a load: the page being shown is stored, the model dropped, the views emptied and
    // disabled.
    void BeginLoad();
    // After a load, failed or not: a model on the loaded simulation, its first tab shown; without
    // a simulation file the views stay disabled and scanning goes off.
    void Rebuild();
    // Before Save: the page being shown into the file.
    void FlushEdits();
    // The options load: the grid's answer rows (MultiAnswerNum); the next model takes them.
    void SetAnswerRows(int rows);
    // Scanning off: "Auto Scanning" unticked, the ZULM port closed, the timer stopped.
    void StopScanning();
    // The window closes: the timer stopped and the model dropped, before the simulation file goes.
    void Detach();

    ErrorRequestsEditor* Editor() { return editor_.get(); }
    const FaultScanDriver& Scanning() const { return driver_; }

    // ---- handlers ----
    void tcErrorsChange(int tab);
    void rbAnswerColumnClick(int column);
    void cmdNewErrorRequestClick();
    void tcErrorsDragDrop(const std::vector<UnknownRequestRow>& rows);
    void sgErrorAnswersSelectCell(int row, int column);
    void txtErrorAnswersEditorChange(const QString& text);
    void txtErrorAnswersEditorKeyUp();
    void txtErrorAnswersEditorExit();
    void txtErrorDescriptionChange(const QString& text);
    void txtErrorDescriptionExit();
    void cbAutoErrorScanClick(bool checked);
    void tErrorScanTimerTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Host;
    class HandlerScope;

    void BuildControls();
    void SetViewsEnabled(bool enabled);
    void DrawTabs();
    void DrawPage();
    void DrawGrid();
    void DrawColumn();
    void DrawCell(int column, int row);
    // The grid's current cell as the model counts it (column, row from 1); row 0: none.
    std::pair<int, int> CurrentCell() const;
    void ClosePort();

    SimulationController& controller_;
    OperatorDialogs& dialogs_;
    ErrorsPageHooks hooks_;
    CurrentEngineCalls engine_;
    std::unique_ptr<ErrorRequestsEditor> editor_;
    FaultScanDriver driver_;
    std::unique_ptr<Host> host_;
    int rows_ = 8;
    int handlers_ = 0; // handlers of the page running now (a message box may be open in one)

    QCheckBox* cbAutoErrorScan_ = nullptr;
    QPushButton* cmdNewErrorRequest_ = nullptr;
    QTabBar* tcErrors_ = nullptr;
    QWidget* pnlErrorTab_ = nullptr;
    QLineEdit* txtErrorRequest_ = nullptr;
    QLineEdit* txtErrorDescription_ = nullptr;
    QButtonGroup* rgAnswerColumn_ = nullptr;
    std::array<QRadioButton*, AnswerColumnCount> radios_{};
    HexLineEdit* txtErrorAnswersEditor_ = nullptr;
    QTableWidget* sgErrorAnswers_ = nullptr;
    QTimer* tErrorScanTimer_ = nullptr;
};
