#pragma once
// TfFormMain: the main window of Tarvico. It draws and forwards; the simulation controller decides
// the load, save, reload, reset and close, and every box goes through the operator's dialogs (the
// window's own Qt dialogs, or a test's).
//
// Threads. The engine's callbacks (OnThreadStatus, AddOriglioItem, AddUnknownRequest,
// GetUnknownAnswer) may run on the engine's thread. They never touch a widget and never wait for
// the window: statuses and traffic events are queued under short locks, unknown requests go into
// the guarded list, and a queued signal has the window's thread draw them. Message boxes the
// engine's side raises are queued the same way (QueuedMessages). The window ends and joins the
// engine before it goes away, whichever way the program ends.
#include "ControllerHooks.h"
#include "DrawSpacing.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"
#include "TrafficLog.h"
#include "TrafficLogView.h"
#include "UnknownRequests.h"
#include "ZulmPort.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class TrafficLogList;
class TrafficLogModel;
class PsiPage;
class ErrorsPage;
class ActivationsPage;
class ActualRequestsView;
struct EditingPageHooks;
class ScanOptionsGroup;
class QtOperatorDialogs;
class QueuedMessages;
class UnknownRequestsView;

inline constexpr const char* ApplicationName = "Tarvico";
inline constexpr int FormWidth = 843;
inline constexpr int FormHeight = 728;
inline constexpr int MemoryTimerMs = 2000;
inline constexpr int TrafficTimerMs = 1;
// The window's events are processed at most this often while a load pumps.
inline constexpr std::uint64_t PumpIntervalMs = 15;
inline constexpr const char* OverwriteText = "Overwrite";
inline constexpr const char* InsertText = "Insert";

// The program file's version as "%d.%d.%d.%d", from the build.
std::string VersionText();
// "Tarvico (v. <version>)": the caption before a simulation is loaded and the start of it after.
std::string ApplicationTitle();

// The pages of pgPageControl, in order.
enum class FormPage { SystemInfo = 0, PSI = 1, Errors = 2, Activations = 3, Settings = 4 };
inline constexpr std::size_t FormPageCount = 5;

class TfFormMain final : public QMainWindow, public WindowHooks, public EngineEvents {
    Q_OBJECT
public:
    // programFolder: the folder of the program, where ProgramSettings.ini lies and the link
    // libraries are loaded from. dialogs: the operator's dialogs; null: the window's Qt dialogs.
    explicit TfFormMain(std::string programFolder, OperatorDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TfFormMain() override;

    SimulationController& Controller() { return *controller_; }
    TCommPort1& ZulmPort() { return zulm_; }
    UnknownRequestList& UnknownRequests() { return unknown_; }
    ErrorsPage& Errors() { return *errorsPage_; }
    ActivationsPage& Activations() { return *activationsPage_; }
    // The page the editors fill.
    QWidget* Page(FormPage page) const { return pages_[static_cast<std::size_t>(page)]; }
    // Counted by the traffic log for every exchange answered from a fault-reading entry.
    std::int32_t FaultReadingCount() const { return faultReadingCount_; }
    void ResetFaultReadingCount() { faultReadingCount_ = 0; }
    // 1: the hex editors overwrite; 0: they insert. Insert toggles it.
    std::uint8_t OverwriteFlag() const { return overwrite_; }
    // The intra-frame time the editors give the entries they create.
    std::int32_t IntraFrameDefault() const { return intraFrameDefault_; }
    std::int32_t MultiAnswerNum() const { return multiAnswerNum_; }
    // The last status the engine reported (its low byte).
    std::uint8_t LastStatus() const { return lastStatus_.load(); }
    // The kind of the last traffic event the engine reported.
    int LastTrafficKind() const { return traffic_.LastKind(); }

    // ---- WindowHooks (the window's thread) ----
    void Pump() override;
    void SetCaption(const std::string& caption) override;
    void AddMessage(const std::string& line) override;
    void Focus(FocusTarget target) override;
    void OptionsLoaded(const SystemOptions& options, std::int32_t multiAnswerNum) override;

    // ---- EngineEvents (any thread) ----
    void OnThreadStatus(std::int32_t status) override;
    void AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                        const std::string& info) override;
    void AddUnknownRequest(const TBaseItem& item) override;
    std::optional<TStringList> GetUnknownAnswer(const std::string& request) override;

public slots:
    // "&Data"
    void mLoadIniClick();
    void mReloadSystemClick();
    void mSaveIniClick();
    void mSaveAsIniClick();
    void mReloadClick();
    void mExitClick();
    // "Settings"
    void mKRIXCOMPortClick();
    void mZULMCOMPortClick();
    // Simulator control
    void cmdStartClick();
    void cmdStopClick();
    void cmdResetClick();
    // Traffic log, actual requests, unknown requests
    void tAddOriglioItemTimer();
    void tTimerActualRequestTimer();
    void seResetTimeoutChange();
    void seDefaultLenghtChange();
    void cbAutoAnswerClick();
    void mAcualRequestClearClick();
    void mClearOriglioClick();
    void mOriglioSaveClick();
    void mUnknownRequestClearClick();
    // Status bar
    void tMyTimerTimer();

signals:
    void statusQueued();
    void trafficQueued();
    void unknownRequestsQueued();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct QueuedStatus {
        std::uint8_t Code;
        std::string ErrorText;
    };

    // Construction of the controls (MainFormLayout.cpp).
    void BuildMenus();
    void BuildControls();
    QWidget* BuildSystemInfoPage();
    QGroupBox* BuildSimulatorControl();
    QGroupBox* BuildMessages();
    QGroupBox* BuildOriglio();
    QGroupBox* BuildActualRequests();
    QGroupBox* BuildUnknownRequests();
    void BuildStatusBar();
    // The window's share of each editing page, the same for all three.
    void FillEditingHooks(EditingPageHooks& hooks);
    void BuildPsiPage();
    void BuildErrorsPage();
    void BuildActivationsPage();
    void BuildSettingsPage();
    // The pages' models refer to the simulation file: they go before the controller frees it.
    void DetachPages();
    void ConnectHandlers();

    void FormCreate();
    // target: the control the key was pressed in (the focused one).
    void FormKeyDown(const QKeyEvent& event, const QObject* target);
    void FormClose();
    void DrainStatuses();
    // The event's lines join the burst being drawn.
    void DrawTrafficEvent(const TrafficEvent& event, std::vector<LogLine>& lines);
    void ShowSystemInfo();
    void UpdateActualRequestTimer();
    void ChangeOptions(const std::function<void(SystemOptions&)>& change);
    std::uint64_t DrawClockMs() const;
    // Runs a handler; a failure that escapes it is shown (the application's exception display).
    void Guarded(const std::function<void()>& handler);

    std::string programFolder_;
    std::string applicationTitle_;
    std::unique_ptr<QtOperatorDialogs> ownDialogs_;
    OperatorDialogs& dialogs_;
    // The engine's side reads these three; they outlive the controller (declared before it), so
    // the engine is ended before any of them goes.
    TrafficQueue traffic_;
    UnknownRequestList unknown_;
    std::unique_ptr<QueuedMessages> messages_;
    std::unique_ptr<SimulationController> controller_;
    TCommPort1 zulm_;

    std::mutex statusMutex_;
    std::deque<QueuedStatus> statuses_;
    std::atomic<std::uint8_t> lastStatus_{0};
    std::atomic<bool> unknownRefreshPending_{false};

    std::uint8_t overwrite_ = 1;
    std::int32_t intraFrameDefault_ = 100;
    std::int32_t multiAnswerNum_ = MultiAnswerNumDefault;
    std::int32_t faultReadingCount_ = 0;
    bool closing_ = false;
    std::optional<std::uint64_t> lastPumpMs_;
    // The spacing of the drawings, in the time the window's timers run on.
    QElapsedTimer drawClock_;
    DrawSpacing trafficSpacing_, unknownSpacing_;
    const QEvent* lastKey_ = nullptr;
    std::uint64_t lastKeyStamp_ = 0;

    std::unique_ptr<ActualRequestsView> actual_; // "Actual requests"

    // Controls.
    QTabWidget* pgPageControl_ = nullptr;
    std::array<QWidget*, FormPageCount> pages_{};
    QPushButton* cmdStart_ = nullptr;
    QPushButton* cmdStop_ = nullptr;
    QPushButton* cmdReset_ = nullptr;
    QPlainTextEdit* mMessages_ = nullptr;
    TrafficLogModel* origlio_ = nullptr; // the lines of reOriglio
    TrafficLogList* reOriglio_ = nullptr;
    QPlainTextEdit* reActualRequest_ = nullptr;
    QSpinBox* seResetTimeout_ = nullptr;
    QCheckBox* cbAutoAnswer_ = nullptr;
    QSpinBox* seDefaultLenght_ = nullptr;
    UnknownRequestsView* lwUnknownRequests_ = nullptr;
    PsiPage* psiPage_ = nullptr; // the "&PSI" page: request tree and hex editing
    ErrorsPage* errorsPage_ = nullptr;           // the "&Errors" page and fault-code scanning
    ActivationsPage* activationsPage_ = nullptr; // the "&Activations" page
    ScanOptionsGroup* scanOptions_ = nullptr;    // "Error Scanning Options" on the "Settings" page
    QMenu* pmOriglio_ = nullptr;
    QMenu* pmActualRequest_ = nullptr;
    QMenu* pmUnknownRequests_ = nullptr;
    QAction* mOriglioEnabled_ = nullptr;
    QTimer* tAddOriglioItem_ = nullptr;
    QTimer* tUnknownRefresh_ = nullptr; // draws the unknown requests the engine's thread listed
    QTimer* tTimerActualRequest_ = nullptr;
    QTimer* tMyTimer_ = nullptr;
    std::array<QLabel*, 3> panels_{};

    // System Info page.
    QLabel* lblMaker_ = nullptr;
    QLabel* lblSystemNum_ = nullptr;
    QLabel* lblSetMUX_ = nullptr;
    QLabel* lblProtocolType_ = nullptr;
    std::array<QLabel*, BusLabelCount> lblDescInfo_{};
    std::array<QLabel*, BusLabelCount> lblInfo_{};
    QLabel* lblIndex_ = nullptr;
    QLabel* lblProtocolDescription_ = nullptr;
    QLabel* lblNotes_ = nullptr;
};
