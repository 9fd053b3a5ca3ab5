// The controls of the main window: menus, pages, groups and the status bar, with their captions,
// shortcuts and settings. Their behaviour is in MainForm.cpp.
#include "MainForm.h"

#include "ActivationsPage.h"
#include "ActualRequestsView.h"
#include "ErrorsPage.h"
#include "PsiPage.h"
#include "ErrorScanning.h"
#include "ScanOptionsGroup.h"
#include "TrafficLogList.h"
#include "TrafficLogModel.h"
#include "TrafficLogView.h"
#include "UnknownRequestsView.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor FormColor(0, 0, 128); // navy
const QColor FormTextColor(255, 255, 255);
constexpr const char* FormFontFamily = "MS Sans Serif";
constexpr int FormFontPoints = 8;

// How the window's room is shared: the pages beside the engine's controls, above the traffic.
constexpr int PagesWidthShare = 3;
constexpr int ControlsWidthShare = 1;
// The band of the traffic log and the unknown requests has one height on every page, so that it
// never jumps when the operator changes page and shows as much on the page a load leaves up
// ("System Info", where a run is watched) as on any other: a dozen lines of traffic and several
// unknown requests in the form's font; the pages take the rest.
constexpr int TrafficBandHeight = 260;
constexpr int PageMargin = 4;

constexpr const char* PageCaptions[FormPageCount] = {"&System Info", "&PSI", "&Errors", "&Activations", "Settings"};
constexpr const char* PageNames[FormPageCount] = {"tsSystemInfo", "tsPSI", "tsErrors", "tsActivations", "tsSettings"};

QAction* AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QGroupBox* Group(const char* name, const char* caption, QWidget* parent) {
    return Named(new QGroupBox(QString::fromLatin1(caption), parent), name);
}

QPlainTextEdit* ReadOnlyLines(const char* name, QWidget* parent) {
    auto* edit = Named(new QPlainTextEdit(parent), name);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return edit;
}

// A spin edit with its range and form value, after its label, at the end of a row.
QSpinBox* LabelledSpin(QHBoxLayout* row, const char* name, const char* labelName, const char* caption, int minimum,
                       int maximum, int value, QWidget* parent) {
    auto* spin = Named(new QSpinBox(parent), name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    QLabel* label = NamedLabel(labelName, QString::fromLatin1(caption), parent);
    label->setBuddy(spin);
    row->addWidget(label);
    row->addWidget(spin);
    return spin;
}

// The popup menu of a control, shown where the operator right-clicks in it (positions are given in
// the coordinates of `area`, the control's viewport for a list).
QMenu* PopupMenu(const char* name, QWidget* control, QWidget* area) {
    auto* menu = Named(new QMenu(control), name);
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(control, &QWidget::customContextMenuRequested, menu,
                     [menu, area](const QPoint& at) { menu->popup(area->mapToGlobal(at)); });
    return menu;
}

} // namespace

void TfFormMain::BuildMenus() {
    QMenu* data = menuBar()->addMenu(QStringLiteral("&Data"));
    data->setObjectName(QStringLiteral("mData"));
    connect(AddAction(data, "mLoadIni", "Load...", QKeySequence(Qt::CTRL | Qt::Key_L)), &QAction::triggered, this,
            &TfFormMain::mLoadIniClick);
    connect(AddAction(data, "mReloadSystem", "Reload system"), &QAction::triggered, this,
            &TfFormMain::mReloadSystemClick);
    connect(AddAction(data, "mSaveIni", "Save", QKeySequence(Qt::CTRL | Qt::Key_S)), &QAction::triggered, this,
            &TfFormMain::mSaveIniClick);
    QAction* saveAs = AddAction(data, "mSaveAsIni", "Save as...", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    saveAs->setEnabled(false); // disabled in the form, and nothing enables it
    connect(saveAs, &QAction::triggered, this, &TfFormMain::mSaveAsIniClick);
    connect(AddAction(data, "mReload", "Reload"), &QAction::triggered, this, &TfFormMain::mReloadClick);
    data->addSeparator();
    connect(AddAction(data, "mExit", "E&xit"), &QAction::triggered, this, &TfFormMain::mExitClick);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("Settings"));
    settings->setObjectName(QStringLiteral("mSettings"));
    QMenu* krix = settings->addMenu(QStringLiteral("KRIX"));
    krix->setObjectName(QStringLiteral("mKRIX"));
    connect(AddAction(krix, "mKRIXCOMPort", "COM Port"), &QAction::triggered, this, &TfFormMain::mKRIXCOMPortClick);
    QMenu* zulm = settings->addMenu(QStringLiteral("Z-ULM"));
    zulm->setObjectName(QStringLiteral("mZULM"));
    connect(AddAction(zulm, "mZULMCOMPort", "COM Port"), &QAction::triggered, this, &TfFormMain::mZULMCOMPortClick);

    // The request tree editor enables these while a simulation is loaded.
    QMenu* search = menuBar()->addMenu(QStringLiteral("&Search"));
    search->setObjectName(QStringLiteral("mSearch"));
    AddAction(search, "mFindByteDescription", "Find Byte Description...", QKeySequence(Qt::CTRL | Qt::Key_F))
        ->setEnabled(false);
    AddAction(search, "mSearchAgain", "Search again", QKeySequence(Qt::Key_F3))->setEnabled(false);
    QMenu* psiSearch = menuBar()->addMenu(QStringLiteral("PSI Search"));
    psiSearch->setObjectName(QStringLiteral("mPSISearch"));
    psiSearch->setEnabled(false);
}

void TfFormMain::BuildControls() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont font(QString::fromLatin1(FormFontFamily));
    font.setPointSize(FormFontPoints);
    setFont(font);
    setFixedSize(FormWidth, FormHeight);
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());

    auto* central = Named(new QWidget(this), "pnlMain");
    QPalette palette = central->palette();
    palette.setColor(QPalette::Window, FormColor);
    palette.setColor(QPalette::WindowText, FormTextColor);
    central->setPalette(palette);
    central->setAutoFillBackground(true);
    setCentralWidget(central);

    pgPageControl_ = Named(new QTabWidget(central), "pgPageControl");
    pgPageControl_->setPalette(style()->standardPalette());
    pgPageControl_->setAutoFillBackground(true);
    for (std::size_t p = 0; p < FormPageCount; ++p) {
        QWidget* page = p == 0 ? BuildSystemInfoPage() : new QWidget;
        page->setObjectName(QString::fromLatin1(PageNames[p]));
        page->setFocusPolicy(Qt::StrongFocus);
        if (page->layout() == nullptr) new QVBoxLayout(page);
        page->layout()->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
        pages_[p] = page;
        pgPageControl_->addTab(page, QString::fromLatin1(PageCaptions[p]));
    }

    // The pages take the window's width but for a narrow column of the engine's controls and
    // messages, so that their editors show what they edit (a long answer in the hex editors, the
    // five answer columns of the errors page); the traffic log and the unknown requests, which
    // want width more than height, share the band below.
    QWidget* origlio = BuildOriglio();
    QWidget* simulatorControl = BuildSimulatorControl();
    QWidget* messages = BuildMessages();
    QWidget* actualRequests = BuildActualRequests();
    QWidget* unknownRequests = BuildUnknownRequests();
    auto* controls = new QVBoxLayout;
    controls->addWidget(simulatorControl);
    controls->addWidget(messages, 1);
    controls->addWidget(actualRequests, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(pgPageControl_, PagesWidthShare);
    top->addLayout(controls, ControlsWidthShare);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(origlio, 1);
    bottom->addWidget(unknownRequests, 1);
    // A fixed height: a share of the room would follow the page shown, whose wrapped texts ask
    // for room by width.
    origlio->setFixedHeight(TrafficBandHeight);
    unknownRequests->setFixedHeight(TrafficBandHeight);
    auto* rows = new QVBoxLayout(central);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->addLayout(top, 1);
    rows->addLayout(bottom, 0);

    // White on navy is for the form's own captions; the controls that show data keep their colours.
    for (QWidget* control : central->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractScrollArea*>(control) || qobject_cast<QAbstractSpinBox*>(control) ||
            qobject_cast<QPushButton*>(control))
            control->setPalette(style()->standardPalette());
    }

    tAddOriglioItem_ = Named(new QTimer(this), "tAddOriglioItem");
    tAddOriglioItem_->setInterval(TrafficTimerMs);
    tAddOriglioItem_->setSingleShot(true);
    tUnknownRefresh_ = Named(new QTimer(this), "tUnknownRefresh");
    tUnknownRefresh_->setSingleShot(true);
    tTimerActualRequest_ = Named(new QTimer(this), "tTimerActualRequest");
    tMyTimer_ = Named(new QTimer(this), "tMyTimer");
    tMyTimer_->setInterval(MemoryTimerMs);
    tMyTimer_->start();
}

QWidget* TfFormMain::BuildSystemInfoPage() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0); // the page's margin lies around the scrolled content

    auto* maker = new QFormLayout;
    lblMaker_ = NamedLabel("lblMaker", QString(), content);
    maker->addRow(NamedLabel("lblDescMaker", QStringLiteral("Maker"), content), lblMaker_);
    layout->addLayout(maker);

    QGroupBox* simulator = Group("gbSimulator", "Simulator", content);
    auto* simulatorRows = new QFormLayout(simulator);
    lblSystemNum_ = NamedLabel("lblSystemNum", QString(), simulator);
    lblSetMUX_ = NamedLabel("lblSetMUX", QString(), simulator);
    simulatorRows->addRow(NamedLabel("lblDescSystemNumber", QStringLiteral("System Number"), simulator), lblSystemNum_);
    simulatorRows->addRow(NamedLabel("lblDescSetMUX", QStringLiteral("Set MUX"), simulator), lblSetMUX_);
    layout->addWidget(simulator);

    QGroupBox* protocol = Group("gbProtocol", "Protocol", content);
    auto* protocolRows = new QFormLayout(protocol);
    lblProtocolType_ = NamedLabel("lblProtocolType", QString(), protocol);
    protocolRows->addRow(NamedLabel("lblDescProtocolType", QStringLiteral("Type"), protocol), lblProtocolType_);
    static constexpr const char* DescNames[BusLabelCount] = {"lblDescInfo1", "lblDescInfo2", "lblDescInfo3",
                                                             "lblDescInfo4", "lblDescInfo5"};
    static constexpr const char* ValueNames[BusLabelCount] = {"lblInfo1", "lblInfo2", "lblInfo3", "lblInfo4",
                                                              "lblInfo5"};
    for (std::size_t i = 0; i < BusLabelCount; ++i) {
        lblDescInfo_[i] = NamedLabel(DescNames[i], QString(), protocol);
        lblInfo_[i] = NamedLabel(ValueNames[i], QString(), protocol);
        protocolRows->addRow(lblDescInfo_[i], lblInfo_[i]);
    }
    lblIndex_ = NamedLabel("lblIndex", QString(), protocol);
    lblProtocolDescription_ = NamedLabel("lblProtocolDescription", QString(), protocol);
    protocolRows->addRow(NamedLabel("lblDescIndex", QStringLiteral("Index"), protocol), lblIndex_);
    protocolRows->addRow(NamedLabel("lblDescProtocolDescription", QStringLiteral("Description"), protocol),
                         lblProtocolDescription_);
    layout->addWidget(protocol);

    QGroupBox* notes = Group("gbNotes", "Notes", content);
    auto* notesLayout = new QVBoxLayout(notes);
    lblNotes_ = NamedLabel("lblNotes", QString(), notes);
    lblNotes_->setWordWrap(true);
    notesLayout->addWidget(lblNotes_);
    layout->addWidget(notes);
    layout->addStretch(1);

    // The page's room is what the band below leaves; notes longer than that scroll instead of
    // being cut off. Frameless and see-through, so content that fits looks as on a plain page.
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    auto* scroller = Named(new QScrollArea(page), "sbxSystemInfo");
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    scroller->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    pageLayout->addWidget(scroller);
    return page;
}

QGroupBox* TfFormMain::BuildSimulatorControl() {
    QGroupBox* group = Group("gbSimulatorControl", "Simulator control", centralWidget());
    // Two a row, so that the column beside the pages stays narrow.
    auto* buttons = new QGridLayout(group);
    cmdStart_ = Named(new QPushButton(QStringLiteral("Go! (F9)"), group), "cmdStart");
    cmdStop_ = Named(new QPushButton(QStringLiteral("Stop (ESC)"), group), "cmdStop");
    cmdReset_ = Named(new QPushButton(QStringLiteral("Reset"), group), "cmdReset");
    buttons->addWidget(cmdStart_, 0, 0);
    buttons->addWidget(cmdStop_, 0, 1);
    buttons->addWidget(cmdReset_, 1, 0, 1, 2);
    for (QPushButton* button : {cmdStart_, cmdStop_, cmdReset_}) button->setEnabled(false);
    return group;
}

QGroupBox* TfFormMain::BuildMessages() {
    QGroupBox* group = Group("gbMessages", "Messages", centralWidget());
    auto* layout = new QVBoxLayout(group);
    mMessages_ = ReadOnlyLines("mMessages", group);
    layout->addWidget(mMessages_);
    return group;
}

QGroupBox* TfFormMain::BuildOriglio() {
    QGroupBox* group = Group("gbOriglio", "Origlio", centralWidget());
    auto* layout = new QVBoxLayout(group);
    // The log shows traffic only: the operator selects and copies lines but cannot type into it
    // (a save would pass typed text off as traffic). Its lines stay until "Clear", a few dozen
    // bytes each beyond their text, over runs of millions of exchanges.
    origlio_ = new TrafficLogModel(LogFont(), this);
    reOriglio_ = Named(new TrafficLogList(*origlio_, group), "reOriglio");
    reOriglio_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reOriglio_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reOriglio_->setToolTip(QStringLiteral("Right click to stop or clear"));
    reOriglio_->setFont(LogFont());
    layout->addWidget(reOriglio_);

    pmOriglio_ = PopupMenu("pmOriglio", reOriglio_, reOriglio_);
    connect(AddAction(pmOriglio_, "mClearOriglio", "Clear"), &QAction::triggered, this,
            &TfFormMain::mClearOriglioClick);
    mOriglioEnabled_ = AddAction(pmOriglio_, "mOriglioEnabled", "Enabled");
    mOriglioEnabled_->setCheckable(true);
    mOriglioEnabled_->setChecked(true);
    connect(AddAction(pmOriglio_, "mOriglioSave", "Save to file..."), &QAction::triggered, this,
            &TfFormMain::mOriglioSaveClick);
    return group;
}

QGroupBox* TfFormMain::BuildActualRequests() {
    QGroupBox* group = Group("gbActualRequests", "Actual requests", centralWidget());
    auto* layout = new QVBoxLayout(group);
    reActualRequest_ = ReadOnlyLines("reActualRequest", group);
    reActualRequest_->setFont(LogFont());
    // Lines come and go one at a time for as long as the simulation runs: no undo history.
    reActualRequest_->setUndoRedoEnabled(false);
    actual_ = std::make_unique<ActualRequestsView>(*reActualRequest_);
    layout->addWidget(reActualRequest_);
    auto* timeoutRow = new QHBoxLayout;
    seResetTimeout_ = LabelledSpin(timeoutRow, "seResetTimeout", "lblResetTimeout", "Reset Timeout (sec.)",
                                   ResetTimeoutMin, ResetTimeoutMax, SystemOptions{}.ResetTimeout, group);
    timeoutRow->addStretch(1);
    layout->addLayout(timeoutRow);

    pmActualRequest_ = PopupMenu("pmActualRequest", reActualRequest_, reActualRequest_);
    connect(AddAction(pmActualRequest_, "mAcualRequestClear", "Clear"), &QAction::triggered, this,
            &TfFormMain::mAcualRequestClearClick);
    return group;
}

QGroupBox* TfFormMain::BuildUnknownRequests() {
    QGroupBox* group = Group("gbUnknownRequests", "Unknown Requests", centralWidget());
    auto* layout = new QVBoxLayout(group);
    auto* options = new QHBoxLayout;
    cbAutoAnswer_ = Named(new QCheckBox(QStringLiteral("Auto Answer"), group), "cbAutoAnswer");
    cbAutoAnswer_->setChecked(SystemOptions{}.AutoAnswer);
    options->addWidget(cbAutoAnswer_);
    options->addStretch(1);
    seDefaultLenght_ = LabelledSpin(options, "seDefaultLenght", "lblDefaultLength", "Default length", DefaultLengthMin,
                                    DefaultLengthMax, SystemOptions{}.DefaultLength, group);
    layout->addLayout(options);
    lwUnknownRequests_ = new UnknownRequestsView(unknown_, group);
    layout->addWidget(lwUnknownRequests_);

    pmUnknownRequests_ = PopupMenu("pmUnknownRequests", lwUnknownRequests_, lwUnknownRequests_->viewport());
    connect(AddAction(pmUnknownRequests_, "mUnknownRequestClear", "Clear"), &QAction::triggered, this,
            &TfFormMain::mUnknownRequestClearClick);
    return group;
}

void TfFormMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    bar->setSizeGripEnabled(false);
    static constexpr int Widths[] = {80, 600, 0}; // the last panel takes what is left
    static constexpr const char* Names[] = {"sbPanel0", "sbPanel1", "sbPanel2"};
    for (std::size_t p = 0; p < panels_.size(); ++p) {
        panels_[p] = NamedLabel(Names[p], QString(), bar);
        panels_[p]->setAlignment(Qt::AlignCenter);
        panels_[p]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (Widths[p] > 0) panels_[p]->setFixedWidth(Widths[p]);
        bar->addWidget(panels_[p], Widths[p] > 0 ? 0 : 1);
    }
    panels_[0]->setText(QString::fromLatin1(OverwriteText));
}

void TfFormMain::FillEditingHooks(EditingPageHooks& hooks) {
    hooks.Overwrite = [this] { return overwrite_ == 1; };
    hooks.IntraFrameDefault = [this] { return intraFrameDefault_; };
    hooks.UnknownRequests = &unknown_;
    hooks.UnknownRequestsChanged = [this] { lwUnknownRequests_->Refresh(); };
}

void TfFormMain::BuildPsiPage() {
    PsiPageHooks hooks;
    FillEditingHooks(hooks);
    psiPage_ = new PsiPage(*controller_, dialogs_, std::move(hooks), findChild<QAction*>("mFindByteDescription"),
                           findChild<QAction*>("mSearchAgain"), Page(FormPage::PSI));
}

void TfFormMain::BuildErrorsPage() {
    ErrorsPageHooks hooks;
    FillEditingHooks(hooks);
    hooks.FaultReadingCount = [this] { return faultReadingCount_; };
    hooks.ResetFaultReadingCount = [this] { faultReadingCount_ = 0; };
    hooks.ScanOptions = [this] { return ScanSettingsOf(controller_->Options()); };
    hooks.ScanRequestItem = [this] { return scanOptions_ != nullptr ? scanOptions_->ScanRequestItem() : 0; };
    hooks.Zulm = &zulm_;
    errorsPage_ = new ErrorsPage(*controller_, dialogs_, std::move(hooks), Page(FormPage::Errors));
    errorsPage_->SetAnswerRows(multiAnswerNum_);
}

void TfFormMain::BuildActivationsPage() {
    ActivationsPageHooks hooks;
    FillEditingHooks(hooks);
    activationsPage_ = new ActivationsPage(*controller_, dialogs_, std::move(hooks), Page(FormPage::Activations));
}

void TfFormMain::BuildSettingsPage() {
    QWidget* page = Page(FormPage::Settings);
    scanOptions_ = new ScanOptionsGroup(page);
    page->layout()->addWidget(scanOptions_);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);
}
