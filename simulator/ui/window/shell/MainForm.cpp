#include "MainForm.h"

#include "ActivationsPage.h"
#include "ActualRequestsView.h"
#include "Clock.h"
#include "EngineControl.h"
#include "ErrorScanning.h"
#include "ErrorsPage.h"
#include "Exception.h"
#include "HexText.h"
#include "KRIXCommunicationThread.h"
#include "MemoryStatus.h"
#include "MessageSink.h"
#include "PsiPage.h"
#include "QtOperatorDialogs.h"
#include "QueuedMessages.h"
#include "ReportList.h"
#include "ScanOptionsGroup.h"
#include "TrafficLogList.h"
#include "TrafficLogModel.h"
#include "UnknownRequestsView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <typeinfo>

#ifndef TARVICO_VERSION_TEXT
#define TARVICO_VERSION_TEXT "0.0.0.0"
#endif

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

OperatorDialogs& DialogsOf(OperatorDialogs* given, std::unique_ptr<QtOperatorDialogs>& own) {
    if (given != nullptr) return *given;
    own = std::make_unique<QtOperatorDialogs>(QString::fromStdString(ApplicationTitle()));
    return *own;
}

} // namespace

std::string VersionText() { return TARVICO_VERSION_TEXT; }

std::string ApplicationTitle() { return std::string(ApplicationName) + " (v. " + VersionText() + ")"; }

// ---- construction -----------------------------------------------------------------------------

TfFormMain::TfFormMain(std::string programFolder, OperatorDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), applicationTitle_(ApplicationTitle()),
      dialogs_(DialogsOf(dialogs, ownDialogs_)), messages_(std::make_unique<QueuedMessages>(dialogs_)) {
    if (ownDialogs_) ownDialogs_->SetParent(this);
    controller_ = std::make_unique<SimulationController>(programFolder_, applicationTitle_, dialogs_, *this, *this);
    setWindowTitle(Q(applicationTitle_));
    BuildMenus();
    BuildControls();
    BuildStatusBar();
    BuildPsiPage();
    BuildErrorsPage();
    BuildActivationsPage();
    BuildSettingsPage();
    ConnectHandlers();
    FormCreate();
    drawClock_.start();
    qApp->installEventFilter(this);
}

TfFormMain::~TfFormMain() {
    qApp->removeEventFilter(this);
    // The pages reach the controller: they go first.
    delete psiPage_;
    psiPage_ = nullptr;
    delete errorsPage_;
    errorsPage_ = nullptr;
    delete activationsPage_;
    activationsPage_ = nullptr;
    // The engine calls back into this window and its lists until it has ended, and its status
    // callback reads the controller: end the engine while the controller is still there.
    controller_->EndEngine();
    controller_.reset();
    messages_.reset();
}

void TfFormMain::FormCreate() {
    ProgramSettings& program = controller_->Program();
    Guarded([&] {
        zulm_.SetPortName(program.ZulmPort());
        zulm_.SetBaudRate(program.ZulmBaudRate());
    });
    pgPageControl_->setCurrentIndex(static_cast<int>(FormPage::SystemInfo));
}

void TfFormMain::ConnectHandlers() {
    // The engine's thread only emits; the window's thread draws.
    // Each signal is emitted when its queue was empty, so one is on the way for everything queued.
    connect(this, &TfFormMain::statusQueued, this, &TfFormMain::DrainStatuses, Qt::QueuedConnection);
    connect(this, &TfFormMain::trafficQueued, this, [this] {
        if (!tAddOriglioItem_->isActive())
            tAddOriglioItem_->start(static_cast<int>(trafficSpacing_.DelayMs(DrawClockMs(), TrafficTimerMs)));
    }, Qt::QueuedConnection);
    connect(this, &TfFormMain::unknownRequestsQueued, this, [this] {
        if (!tUnknownRefresh_->isActive())
            tUnknownRefresh_->start(static_cast<int>(unknownSpacing_.DelayMs(DrawClockMs(), 0)));
    }, Qt::QueuedConnection);
    connect(tUnknownRefresh_, &QTimer::timeout, this, [this] {
        unknownSpacing_.Drawn(DrawClockMs());
        unknownRefreshPending_.store(false);
        lwUnknownRequests_->Refresh();
    });

    connect(cmdStart_, &QPushButton::clicked, this, &TfFormMain::cmdStartClick);
    connect(cmdStop_, &QPushButton::clicked, this, &TfFormMain::cmdStopClick);
    connect(cmdReset_, &QPushButton::clicked, this, &TfFormMain::cmdResetClick);
    connect(tAddOriglioItem_, &QTimer::timeout, this, &TfFormMain::tAddOriglioItemTimer);
    connect(tTimerActualRequest_, &QTimer::timeout, this, &TfFormMain::tTimerActualRequestTimer);
    connect(tMyTimer_, &QTimer::timeout, this, &TfFormMain::tMyTimerTimer);
    connect(seResetTimeout_, &QSpinBox::valueChanged, this, &TfFormMain::seResetTimeoutChange);
    connect(seDefaultLenght_, &QSpinBox::valueChanged, this, &TfFormMain::seDefaultLenghtChange);
    connect(cbAutoAnswer_, &QCheckBox::clicked, this, &TfFormMain::cbAutoAnswerClick);
    connect(mOriglioEnabled_, &QAction::toggled, this, [this](bool on) { traffic_.SetEnabled(on); });
    connect(scanOptions_, &ScanOptionsGroup::changed, this,
            [this] { ChangeOptions([&](SystemOptions& o) { scanOptions_->Apply(o); }); });
}

std::uint64_t TfFormMain::DrawClockMs() const { return static_cast<std::uint64_t>(drawClock_.elapsed()); }

void TfFormMain::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(ExceptionMessage(e));
    }
}

// ---- WindowHooks --------------------------------------------------------------------------------

void TfFormMain::Pump() {
    // The loading passes pump once per entry, tens of thousands of times in a large simulation;
    // the window repaints and takes commands as well at a few pumps a frame.
    const std::uint64_t now = CurrentClock().NowMs();
    if (lastPumpMs_ && now - *lastPumpMs_ < PumpIntervalMs) return;
    lastPumpMs_ = now;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TfFormMain::SetCaption(const std::string& caption) { setWindowTitle(Q(caption)); }

void TfFormMain::AddMessage(const std::string& line) { mMessages_->appendPlainText(Q(line)); }

void TfFormMain::Focus(FocusTarget target) {
    if (target == FocusTarget::TrafficLog) {
        reOriglio_->setFocus();
    } else if (pgPageControl_->currentIndex() == static_cast<int>(FormPage::PSI)) {
        Page(FormPage::PSI)->setFocus();
    }
}

void TfFormMain::OptionsLoaded(const SystemOptions& options, std::int32_t multiAnswerNum) {
    {
        // The controller holds these values already; only the timer follows them.
        const QSignalBlocker a(seResetTimeout_), b(seDefaultLenght_), c(cbAutoAnswer_);
        seResetTimeout_->setValue(options.ResetTimeout);
        seDefaultLenght_->setValue(options.DefaultLength);
        cbAutoAnswer_->setChecked(options.AutoAnswer);
    }
    scanOptions_->Show(options);
    UpdateActualRequestTimer();
    multiAnswerNum_ = multiAnswerNum;
    lwUnknownRequests_->SetAnswerColumns(multiAnswerNum);
    errorsPage_->SetAnswerRows(multiAnswerNum);
}

// ---- the engine's callbacks (any thread) --------------------------------------------------------

void TfFormMain::OnThreadStatus(std::int32_t status) {
    const std::uint8_t code = StatusCode(status);
    lastStatus_.store(code);
    // The error text belongs to this status; a later one may replace it before the window draws.
    std::string errorText;
    if (StatusNeedsErrorText(code))
        if (TKRIXCommunicationThread* engine = controller_->Engine()) errorText = engine->GetErrorText();
    bool wake = false;
    {
        std::lock_guard lock(statusMutex_);
        wake = statuses_.empty();
        statuses_.push_back({code, std::move(errorText)});
    }
    if (wake) emit statusQueued();
}

void TfFormMain::AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                                const std::string& info) {
    try {
        if (traffic_.Record(request, answer, kind, info)) emit trafficQueued();
    } catch (const std::exception& e) {
        ShowMessage("AddOriglioItem Function >> " + ExceptionMessage(e));
    }
}

void TfFormMain::AddUnknownRequest(const TBaseItem& item) {
    try {
        TStringList answers;
        for (std::int32_t j = 0; j < item.AnswerCount && j < static_cast<std::int32_t>(item.Answers.size()); ++j)
            answers.push_back(item.Answers[static_cast<std::size_t>(j)].PlainText);
        // One refresh on the way draws every row added before it runs.
        if (unknown_.AddReported(item.PlainText, answers) && !unknownRefreshPending_.exchange(true))
            emit unknownRequestsQueued();
    } catch (const std::exception& e) {
        ShowMessage(AddUnknownRequestFailure + ExceptionMessage(e));
    }
}

std::optional<TStringList> TfFormMain::GetUnknownAnswer(const std::string& request) {
    try {
        return unknown_.Answers(request);
    } catch (const std::exception& e) {
        const auto* ours = dynamic_cast<const Exception*>(&e);
        ShowMessage(GetUnknownAnswerFailure + ExceptionMessage(e) + "\n\n" + "An exception of type " +
                    (ours ? ours->Type() : std::string(typeid(e).name())) + "\nwas thrown by line " +
                    std::to_string(ours ? ours->Line() : 0) + "\nof file " + (ours ? ours->File() : std::string()));
        return std::nullopt;
    }
}

// ---- status messages and engine control ---------------------------------------------------------

void TfFormMain::DrainStatuses() {
    std::deque<QueuedStatus> statuses;
    {
        std::lock_guard lock(statusMutex_);
        statuses.swap(statuses_);
    }
    for (const QueuedStatus& status : statuses) {
        const std::optional<StatusReport> report = ReportOfStatus(status.Code, status.ErrorText);
        if (!report) continue;
        for (const std::string& line : report->Lines) AddMessage(line);
        cmdStart_->setEnabled(Applied(report->Start, cmdStart_->isEnabled()));
        cmdStop_->setEnabled(Applied(report->Stop, cmdStop_->isEnabled()));
        cmdReset_->setEnabled(Applied(report->Reset, cmdReset_->isEnabled()));
    }
}

void TfFormMain::cmdStartClick() {
    if (TKRIXCommunicationThread* engine = controller_->Engine())
        if (!engine->Start()) dialogs_.ShowMessage(StartRefusedMessage);
}

void TfFormMain::cmdStopClick() {
    if (TKRIXCommunicationThread* engine = controller_->Engine())
        if (!engine->Stop()) dialogs_.ShowMessage(StopRefusedMessage);
}

void TfFormMain::cmdResetClick() { Guarded([&] { controller_->Reset(); }); }

void TfFormMain::mKRIXCOMPortClick() {
    Guarded([&] {
        ProgramSettings& program = controller_->Program();
        const std::optional<std::string> port = dialogs_.InputBox(KrixPortTitle, KrixPortPrompt, program.DefaultPort());
        if (!port) return;
        program.SetDefaultPort(*port);
        if (controller_->Engine() != nullptr) dialogs_.Warning(KrixPortReloadWarning);
    });
}

void TfFormMain::mZULMCOMPortClick() {
    Guarded([&] {
        ProgramSettings& program = controller_->Program();
        const std::optional<std::string> port = dialogs_.InputBox(ZulmPortTitle, ZulmPortPrompt, program.ZulmPort());
        if (!port) return;
        program.SetZulmPort(*port);
        // The open port is the old one: scanning goes off, and the next switch-on opens the new.
        errorsPage_->StopScanning();
        zulm_.SetPortName(*port);
    });
}

// ---- the traffic log --------------------------------------------------------------------------

void TfFormMain::tAddOriglioItemTimer() {
    tAddOriglioItem_->stop();
    trafficSpacing_.Drawn(DrawClockMs());
    std::size_t dropped = 0;
    const std::vector<TrafficEvent> events = traffic_.TakeAll(&dropped);
    std::vector<LogLine> lines;
    if (dropped > 0) lines.push_back(DroppedEventsLine(dropped));
    actual_->BeginBurst();
    for (const TrafficEvent& event : events) {
        try {
            DrawTrafficEvent(event, lines);
        } catch (const std::exception& e) {
            // Queued like the engine's boxes: the next events are drawn meanwhile.
            ShowMessage("AddOriglioItemTimer Function error:\n" + ExceptionMessage(e));
        }
    }
    // The status bar shows the last event's info; the log takes the burst in one insertion.
    if (!events.empty()) panels_[1]->setText(Q(events.back().Info));
    origlio_->Append(lines);
    actual_->EndBurst();
}

void TfFormMain::DrawTrafficEvent(const TrafficEvent& event, std::vector<LogLine>& lines) {
    if (CountsAsFaultReading(event.Info)) ++faultReadingCount_;
    for (const LogLine& line : LinesOf(event)) {
        lines.push_back(line);
        const bool requestLine = line.Style == LogLineStyle::RequestStored || line.Style == LogLineStyle::RequestFailed ||
                                 line.Style == LogLineStyle::RequestAuto;
        if (requestLine && EntersActualRequests(event)) actual_->Add(DividePacket(event.Request));
    }
}

void TfFormMain::tTimerActualRequestTimer() { actual_->RemoveOldest(); }

void TfFormMain::UpdateActualRequestTimer() {
    const int seconds = seResetTimeout_->value();
    tTimerActualRequest_->setInterval(seconds * 1000);
    if (seconds != 0) tTimerActualRequest_->start();
    else tTimerActualRequest_->stop();
}

void TfFormMain::ChangeOptions(const std::function<void(SystemOptions&)>& change) {
    SystemOptions options = controller_->Options();
    change(options);
    controller_->SetOptions(options);
}

void TfFormMain::seResetTimeoutChange() {
    UpdateActualRequestTimer();
    ChangeOptions([&](SystemOptions& o) { o.ResetTimeout = seResetTimeout_->value(); });
}

void TfFormMain::seDefaultLenghtChange() {
    ChangeOptions([&](SystemOptions& o) { o.DefaultLength = seDefaultLenght_->value(); });
}

void TfFormMain::cbAutoAnswerClick() {
    ChangeOptions([&](SystemOptions& o) { o.AutoAnswer = cbAutoAnswer_->isChecked(); });
}

void TfFormMain::mAcualRequestClearClick() {
    actual_->Clear();
}

void TfFormMain::mClearOriglioClick() { origlio_->Clear(); }

void TfFormMain::mUnknownRequestClearClick() { lwUnknownRequests_->ClearRows(); }

void TfFormMain::mOriglioSaveClick() {
    const std::optional<std::string> file = dialogs_.SaveFile({LogSaveFilter, LogSaveExtension, LogSaveName});
    if (!file) return;
    Guarded([&] { SaveLog(origlio_->Lines(), reOriglio_->font(), *file); });
}

// ---- the "&Data" menu ---------------------------------------------------------------------------

void TfFormMain::mLoadIniClick() {
    psiPage_->BeginLoad();
    errorsPage_->BeginLoad();
    activationsPage_->BeginLoad();
    Guarded([&] { controller_->Load(); });
    psiPage_->Rebuild();
    errorsPage_->Rebuild();
    activationsPage_->Rebuild();
    ShowSystemInfo();
}

void TfFormMain::mReloadSystemClick() { Guarded([&] { controller_->ReloadSystem(); }); }

void TfFormMain::mSaveIniClick() {
    psiPage_->FlushEdits();
    errorsPage_->FlushEdits();
    activationsPage_->FlushEdits();
    Guarded([&] { controller_->Save(); });
}

void TfFormMain::mSaveAsIniClick() {
    psiPage_->FlushEdits();
    errorsPage_->FlushEdits();
    activationsPage_->FlushEdits();
    Guarded([&] { controller_->SaveAs(); });
}

void TfFormMain::mReloadClick() { controller_->Reload(); }

void TfFormMain::mExitClick() {
    bool exit = false;
    Guarded([&] { exit = controller_->Exit(); });
    if (!exit) return;
    DetachPages();
    // The controller has ended and joined the engine; the window closes without asking again.
    closing_ = true;
    close();
    QCoreApplication::exit(0);
}

void TfFormMain::ShowSystemInfo() {
    const SystemInfo& info = controller_->Info();
    lblMaker_->setText(Q(info.Maker));
    lblSystemNum_->setText(Q(info.SystemNumber));
    lblSetMUX_->setText(Q(info.SetMux));
    lblProtocolType_->setText(Q(info.ProtocolType));
    for (std::size_t i = 0; i < BusLabelCount; ++i) {
        lblDescInfo_[i]->setText(Q(info.Bus[i].Description));
        lblInfo_[i]->setText(Q(info.Bus[i].Value));
    }
    lblIndex_->setText(Q(info.Index));
    lblProtocolDescription_->setText(Q(info.ProtocolDescription));
    lblNotes_->setText(Q(info.Notes));
}

// ---- the window ---------------------------------------------------------------------------------

void TfFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateActualRequestTimer();
    tMyTimerTimer();
}

void TfFormMain::tMyTimerTimer() {
    if (const std::optional<int> load = ReadMemoryLoad()) panels_[2]->setText(Q(MemoryStatusText(*load)));
}

bool TfFormMain::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: the window sees each key before the focused control, which still gets it.
    // Qt offers a key to the focused control's parents in turn; the press is handled once (the
    // same event object with the same time stamp is the same press).
    if (event->type() == QEvent::KeyRelease) {
        lastKey_ = nullptr;
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key != lastKey_ || key->timestamp() != lastKeyStamp_) {
            lastKey_ = key;
            lastKeyStamp_ = key->timestamp();
            FormKeyDown(*key, watched);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfFormMain::FormKeyDown(const QKeyEvent& event, const QObject* target) {
    switch (event.key()) {
    case Qt::Key_Escape:
        if (cmdStop_->isEnabled()) cmdStopClick();
        break;
    case Qt::Key_Insert: {
        // In the activation lists Insert inserts a row: switching the mode as well would make the
        // hex editors insert where the operator expects them to overwrite.
        const auto* list = dynamic_cast<const ReportList*>(target);
        if (list == nullptr || !ReportList::OwnsKey(event)) overwrite_ = overwrite_ == 1 ? 0 : 1;
        break;
    }
    case Qt::Key_F9:
        if (cmdStart_->isEnabled()) cmdStartClick();
        break;
    default:
        break;
    }
    panels_[0]->setText(overwrite_ == 1 ? OverwriteText : InsertText);
}

void TfFormMain::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    bool yes = false;
    Guarded([&] { yes = controller_->CloseQuery(); });
    if (!yes) {
        event->ignore();
        return;
    }
    FormClose();
    closing_ = true;
    event->accept();
}

void TfFormMain::FormClose() {
    tAddOriglioItem_->stop();
    tUnknownRefresh_->stop();
    tTimerActualRequest_->stop();
    tMyTimer_->stop();
    DetachPages();
    Guarded([&] { controller_->Close(); });
}

void TfFormMain::DetachPages() {
    errorsPage_->Detach();
    activationsPage_->Detach();
}
