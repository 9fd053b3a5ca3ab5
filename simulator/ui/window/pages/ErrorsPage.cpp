#include "ErrorsPage.h"

#include "EditorChecks.h"
#include "ErrorScanning.h"
#include "Exception.h"
#include "FileText.h"
#include "HexText.h"
#include "HexLineEdit.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"
#include "UnknownRequestDrop.h"
#include "ZulmPort.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

// What the scanning does through the window: its counter and options, the ZULM port, the boxes.
class ErrorsPage::Host final : public ScanHost {
public:
    explicit Host(ErrorsPage& page) : page_(page) {}

    std::int32_t FaultReadingCount() const override {
        return page_.hooks_.FaultReadingCount ? page_.hooks_.FaultReadingCount() : 0;
    }
    void ResetFaultReadingCount() override {
        if (page_.hooks_.ResetFaultReadingCount) page_.hooks_.ResetFaultReadingCount();
    }
    ScanSettings Settings() const override { return page_.hooks_.ScanOptions ? page_.hooks_.ScanOptions() : ScanSettings{}; }
    void OpenZulm() override {
        if (page_.hooks_.Zulm == nullptr) throw Exception(ZulmOpenError);
        page_.hooks_.Zulm->Open();
    }
    void WriteZulm(const std::string& text) override {
        if (page_.hooks_.Zulm == nullptr) throw Exception(ZulmWriteError);
        page_.hooks_.Zulm->WriteString(text.c_str());
    }
    void ShowMessage(const std::string& text) override { page_.dialogs_.ShowMessage(text); }
    void StopScanning() override { page_.StopScanning(); }

private:
    ErrorsPage& page_;
};

// Marks a handler of the page as running, so that a scan tick arriving meanwhile (from inside a
// message box the handler raised) waits for the next second.
class ErrorsPage::HandlerScope {
public:
    explicit HandlerScope(ErrorsPage& page) : page_(page) { ++page_.handlers_; }
    ~HandlerScope() { --page_.handlers_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    ErrorsPage& page_;
};

ErrorsPage::ErrorsPage(SimulationController& controller, OperatorDialogs& dialogs, ErrorsPageHooks hooks,
                       QWidget* parent)
    : QWidget(parent), controller_(controller), dialogs_(dialogs), hooks_(std::move(hooks)),
      engine_([&controller] { return controller.Busy() ? nullptr : controller.Engine(); }),
      host_(std::make_unique<Host>(*this)) {
    setObjectName(QStringLiteral("pnlErrors"));
    BuildControls();
    SetViewsEnabled(false);
}

ErrorsPage::~ErrorsPage() {
    // The controls go after this object: nothing they report may reach it any more.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    txtErrorDescription_->removeEventFilter(this);
    tErrorScanTimer_->stop();
}

void ErrorsPage::BuildControls() {
    auto* top = new QHBoxLayout;
    cbAutoErrorScan_ = Named(new QCheckBox(QStringLiteral("Auto Scanning"), this), "cbAutoErrorScan");
    cmdNewErrorRequest_ = Named(new QPushButton(QStringLiteral("New"), this), "cmdNewErrorRequest");
    top->addWidget(cbAutoErrorScan_);
    top->addStretch(1);
    top->addWidget(cmdNewErrorRequest_);
    connect(cbAutoErrorScan_, &QCheckBox::clicked, this, &ErrorsPage::cbAutoErrorScanClick);
    connect(cmdNewErrorRequest_, &QPushButton::clicked, this, &ErrorsPage::cmdNewErrorRequestClick);

    tcErrors_ = Named(new QTabBar(this), "tcErrors");
    tcErrors_->setUsesScrollButtons(true);
    tcErrors_->setExpanding(false);
    connect(tcErrors_, &QTabBar::currentChanged, this, &ErrorsPage::tcErrorsChange);

    pnlErrorTab_ = Named(new QWidget(this), "pnlErrorTab");
    auto* tabLayout = new QVBoxLayout(pnlErrorTab_);
    tabLayout->setContentsMargins(0, 0, 0, 0); // the page's room is for the grid's rows
    auto* fields = new QFormLayout;
    txtErrorRequest_ = Named(new QLineEdit(pnlErrorTab_), "txtErrorRequest");
    txtErrorRequest_->setReadOnly(true);
    txtErrorDescription_ = Named(new QLineEdit(pnlErrorTab_), "txtErrorDescription");
    // Rows of unknown requests dropped here belong to the page, not to the fields.
    txtErrorRequest_->setAcceptDrops(false);
    txtErrorDescription_->setAcceptDrops(false);
    txtErrorDescription_->installEventFilter(this);
    connect(txtErrorDescription_, &QLineEdit::textEdited, this, &ErrorsPage::txtErrorDescriptionChange);
    auto label = [this](const char* name, const char* caption, QWidget* buddy) {
        auto* l = Named(new QLabel(QString::fromLatin1(caption), pnlErrorTab_), name);
        l->setBuddy(buddy);
        return l;
    };
    fields->addRow(label("lblErrorRequest", "Request", txtErrorRequest_), txtErrorRequest_);
    fields->addRow(label("lblErrorDescription", "Description", txtErrorDescription_), txtErrorDescription_);
    tabLayout->addLayout(fields);

    auto* answer = Named(new QGroupBox(QStringLiteral("Answer"), pnlErrorTab_), "gbErrorAnswer");
    auto* answerLayout = new QVBoxLayout(answer);
    auto* radioRow = new QHBoxLayout;
    rgAnswerColumn_ = new QButtonGroup(this);
    for (int c = 0; c < AnswerColumnCount; ++c) {
        radios_[static_cast<std::size_t>(c)] =
            Named(new QRadioButton(QString::fromLatin1(AnswerRadioCaptions[static_cast<std::size_t>(c)]), answer),
                  AnswerRadioNames[static_cast<std::size_t>(c)]);
        rgAnswerColumn_->addButton(radios_[static_cast<std::size_t>(c)], c);
        radioRow->addWidget(radios_[static_cast<std::size_t>(c)]);
    }
    radios_[NoErrorsColumnIndex]->setChecked(true);
    connect(rgAnswerColumn_, &QButtonGroup::idToggled, this, [this](int column, bool on) {
        if (on) rbAnswerColumnClick(column);
    });
    answerLayout->addLayout(radioRow);

    txtErrorAnswersEditor_ = Named(new HexLineEdit(hooks_.Overwrite, answer), "txtErrorAnswersEditor");
    txtErrorAnswersEditor_->SetFailureSink([this](const std::string& text) { dialogs_.ShowMessage(text); });
    connect(txtErrorAnswersEditor_, &HexLineEdit::hexEdited, this, &ErrorsPage::txtErrorAnswersEditorChange);
    connect(txtErrorAnswersEditor_, &HexLineEdit::keyReleased, this, [this] { txtErrorAnswersEditorKeyUp(); });
    connect(txtErrorAnswersEditor_, &HexLineEdit::left, this, &ErrorsPage::txtErrorAnswersEditorExit);
    answerLayout->addWidget(txtErrorAnswersEditor_);

    sgErrorAnswers_ = Named(new QTableWidget(answer), "sgErrorAnswers");
    sgErrorAnswers_->setColumnCount(AnswerColumnCount);
    QStringList headers;
    for (const char* header : AnswerColumnHeaders) headers << QString::fromLatin1(header);
    sgErrorAnswers_->setHorizontalHeaderLabels(headers);
    sgErrorAnswers_->verticalHeader()->hide();
    sgErrorAnswers_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgErrorAnswers_->setSelectionMode(QAbstractItemView::SingleSelection);
    sgErrorAnswers_->setWordWrap(false);
    // The five columns share the grid's width, so none is scrolled out of view (a long answer is
    // shown whole in the editor above); rows as high as the text, so the answer rows fit too.
    sgErrorAnswers_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sgErrorAnswers_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgErrorAnswers_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgErrorAnswers_->verticalHeader()->setDefaultSectionSize(ErrorAnswerRowHeight);
    connect(sgErrorAnswers_, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { sgErrorAnswersSelectCell(row, column); });
    answerLayout->addWidget(sgErrorAnswers_, 1);
    tabLayout->addWidget(answer, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(tcErrors_);
    layout->addWidget(pnlErrorTab_, 1);
    if (parentWidget() != nullptr && parentWidget()->layout() != nullptr) parentWidget()->layout()->addWidget(this);

    // The page and its tabs take rows from the list of unknown requests.
    const auto drop = [this](const std::vector<UnknownRequestRow>& rows) { tcErrorsDragDrop(rows); };
    UnknownRequestDrop::Install(this, drop);
    UnknownRequestDrop::Install(tcErrors_, drop);

    tErrorScanTimer_ = Named(new QTimer(this), "tErrorScanTimer");
    tErrorScanTimer_->setInterval(ScanTimerMs);
    connect(tErrorScanTimer_, &QTimer::timeout, this, &ErrorsPage::tErrorScanTimerTimer);
    SetAnswerRows(rows_);
}

// ---- load, rebuild, save ------------------------------------------------------------------------

void ErrorsPage::SetViewsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{cbAutoErrorScan_, cmdNewErrorRequest_, tcErrors_, pnlErrorTab_})
        w->setEnabled(enabled);
}

void ErrorsPage::SetAnswerRows(int rows) {
    rows_ = std::max(rows, 0);
    const QSignalBlocker blocker(sgErrorAnswers_);
    sgErrorAnswers_->setRowCount(rows_);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < AnswerColumnCount; ++c)
            if (sgErrorAnswers_->item(r, c) == nullptr) {
                auto* item = new QTableWidgetItem;
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                sgErrorAnswers_->setItem(r, c, item);
            }
    if (rows_ > 0 && sgErrorAnswers_->currentRow() < 0) sgErrorAnswers_->setCurrentCell(0, 0);
    DrawGrid();
}

void ErrorsPage::BeginLoad() {
    FlushEdits();
    editor_.reset();
    DrawTabs();
    DrawPage();
    SetViewsEnabled(false);
}

void ErrorsPage::Rebuild() {
    editor_.reset();
    TCustomIniFile* file = controller_.Busy() ? nullptr : controller_.SimulationFile();
    if (file != nullptr) {
        const int current = std::max(rgAnswerColumn_->checkedId(), 0);
        const std::int32_t intraFrame = hooks_.IntraFrameDefault ? hooks_.IntraFrameDefault() : 100;
        editor_ = std::make_unique<ErrorRequestsEditor>(
            *file, engine_, controller_.View(), rows_, intraFrame,
            [this](const std::string& text) { dialogs_.ShowMessage(text); }, current);
        const HandlerScope scope(*this);
        editor_->ShowTab(controller_.View().SelectedErrorTab);
    } else if (cbAutoErrorScan_->isChecked() || driver_.CurrentState() != FaultScanDriver::State::Off) {
        StopScanning();
    }
    DrawTabs();
    DrawPage();
    SetViewsEnabled(editor_ != nullptr);
}

void ErrorsPage::FlushEdits() {
    if (!editor_) return;
    const HandlerScope scope(*this);
    editor_->StoreTab();
}

// ---- drawing ------------------------------------------------------------------------------------

void ErrorsPage::DrawTabs() {
    const QSignalBlocker blocker(tcErrors_);
    static const std::vector<FaultTab> none;
    const std::vector<FaultTab>& tabs = editor_ ? controller_.View().ErrorTabs : none;
    // The tabs that are still the view's stay: the bar lays all of its tabs out again for each
    // one added or removed, and a simulation has up to thousands of them.
    int kept = 0;
    while (kept < tcErrors_->count() && static_cast<std::size_t>(kept) < tabs.size() &&
           tcErrors_->tabText(kept) == Q(tabs[static_cast<std::size_t>(kept)].Caption))
        ++kept;
    while (tcErrors_->count() > kept) tcErrors_->removeTab(tcErrors_->count() - 1);
    for (std::size_t t = static_cast<std::size_t>(kept); t < tabs.size(); ++t) tcErrors_->addTab(Q(tabs[t].Caption));
    if (!editor_) return;
    const SimulationView& view = controller_.View();
    if (view.SelectedErrorTab >= 0 && view.SelectedErrorTab < tcErrors_->count())
        tcErrors_->setCurrentIndex(view.SelectedErrorTab);
    // A tab bar on a page not shown leaves its height as it was; the page makes room now.
    tcErrors_->updateGeometry();
}

void ErrorsPage::DrawPage() {
    const ErrorPage page = editor_ ? editor_->Page() : EmptyErrorPage(rows_);
    txtErrorRequest_->setText(Q(page.Request));
    txtErrorDescription_->setText(FromFileText(page.Description));
    DrawGrid();
    DrawColumn();
    // A tab without a request (one "New" made) is never stored: its request can only come from a
    // drop, so nothing can be typed into it before one, and the request field says so.
    const bool selected = editor_ && editor_->SelectedNumber() != 0;
    const bool editable = selected && !StripBlanks(page.Request).empty();
    txtErrorRequest_->setPlaceholderText(selected && !editable ? QString::fromLatin1(DropForRequestHint) : QString());
    txtErrorDescription_->setEnabled(editable);
    txtErrorAnswersEditor_->setEnabled(editable);
    for (QRadioButton* radio : radios_) radio->setEnabled(editable);
}

void ErrorsPage::DrawGrid() {
    for (int c = 0; c < AnswerColumnCount; ++c)
        for (int r = 1; r <= rows_; ++r) DrawCell(c, r);
    const auto [column, row] = CurrentCell();
    const QString shown = row > 0 && editor_ && row <= editor_->Rows()
                              ? Q(editor_->Page().Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row) - 1])
                              : QString();
    // Setting the same text again would put the caret at the end while the operator types.
    if (txtErrorAnswersEditor_->text() != shown) txtErrorAnswersEditor_->setText(shown);
}

void ErrorsPage::DrawCell(int column, int row) {
    QTableWidgetItem* item = sgErrorAnswers_->item(row - 1, column);
    if (item == nullptr) return;
    QString text;
    if (editor_ && row <= editor_->Rows())
        text = Q(editor_->Page().Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row) - 1]);
    const QSignalBlocker blocker(sgErrorAnswers_);
    item->setText(text);
}

void ErrorsPage::DrawColumn() {
    const int column = editor_ ? editor_->CurrentColumn() : std::max(rgAnswerColumn_->checkedId(), 0);
    const QSignalBlocker blocker(rgAnswerColumn_);
    if (QAbstractButton* button = rgAnswerColumn_->button(column)) button->setChecked(true);
}

std::pair<int, int> ErrorsPage::CurrentCell() const {
    const int row = sgErrorAnswers_->currentRow();
    const int column = sgErrorAnswers_->currentColumn();
    if (row < 0 || column < 0 || column >= AnswerColumnCount) return {0, 0};
    return {column, row + 1};
}

// ---- tabs, columns, New, drops ------------------------------------------------------------------

void ErrorsPage::tcErrorsChange(int tab) {
    if (!editor_) return;
    {
        const HandlerScope scope(*this);
        editor_->ChangeTab(tab);
    }
    DrawTabs();
    DrawPage();
}

void ErrorsPage::rbAnswerColumnClick(int column) {
    if (!editor_) return;
    {
        const HandlerScope scope(*this);
        editor_->SelectColumn(column);
    }
    DrawColumn();
}

void ErrorsPage::cmdNewErrorRequestClick() {
    if (!editor_) return;
    {
        const HandlerScope scope(*this);
        editor_->New();
    }
    DrawTabs();
    DrawPage();
}

void ErrorsPage::tcErrorsDragDrop(const std::vector<UnknownRequestRow>& rows) {
    if (!editor_) return;
    std::vector<std::string> taken;
    {
        const HandlerScope scope(*this);
        // One new error request per row; a row refused stays in the list.
        for (const UnknownRequestRow& row : rows) {
            TStringList answers;
            for (const std::string& answer : row.Answers) answers.push_back(DisplayFormOf(answer));
            if (editor_->Drop(DisplayFormOf(row.Request), answers)) taken.push_back(row.Request);
        }
    }
    DrawTabs();
    DrawPage();
    if (taken.empty() || hooks_.UnknownRequests == nullptr) return;
    hooks_.UnknownRequests->RemoveRequests(taken);
    if (hooks_.UnknownRequestsChanged) hooks_.UnknownRequestsChanged();
}

// ---- the grid and the answer editor -------------------------------------------------------------

void ErrorsPage::sgErrorAnswersSelectCell(int row, int column) {
    QString shown;
    if (editor_ && row >= 0 && row < editor_->Rows() && column >= 0 && column < AnswerColumnCount)
        shown = Q(editor_->Page().Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)]);
    txtErrorAnswersEditor_->setText(shown);
}

void ErrorsPage::txtErrorAnswersEditorChange(const QString& text) {
    const auto [column, row] = CurrentCell();
    if (!editor_ || row == 0) return;
    editor_->SetCell(column, row, text.toStdString());
    DrawCell(column, row);
}

void ErrorsPage::txtErrorAnswersEditorKeyUp() {
    const auto [column, row] = CurrentCell();
    if (!editor_ || row == 0) return;
    {
        const HandlerScope scope(*this);
        editor_->CellKeyUp(column, row, txtErrorAnswersEditor_->text().toStdString());
    }
    DrawCell(column, row);
}

void ErrorsPage::txtErrorAnswersEditorExit() { txtErrorAnswersEditorChange(txtErrorAnswersEditor_->text()); }

void ErrorsPage::txtErrorDescriptionChange(const QString& text) {
    if (editor_) editor_->SetDescription(ToFileText(text));
}

void ErrorsPage::txtErrorDescriptionExit() {
    if (!editor_) return;
    const HandlerScope scope(*this);
    editor_->SetDescription(ToFileText(txtErrorDescription_->text()));
    editor_->DescriptionExit();
}

bool ErrorsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtErrorDescription_ && event->type() == QEvent::FocusOut) txtErrorDescriptionExit();
    return QWidget::eventFilter(watched, event);
}

// ---- scanning -----------------------------------------------------------------------------------

void ErrorsPage::cbAutoErrorScanClick(bool checked) {
    if (!checked) {
        driver_.SwitchOff();
        tErrorScanTimer_->stop();
        ClosePort();
        return;
    }
    if (!editor_) {
        StopScanning();
        return;
    }
    const HandlerScope scope(*this);
    const int item = hooks_.ScanRequestItem ? hooks_.ScanRequestItem() : 0;
    if (SwitchScanningOn(driver_, ScanColumnOf(controller_.View(), item), *editor_, *host_)) tErrorScanTimer_->start();
}

void ErrorsPage::StopScanning() {
    {
        const QSignalBlocker blocker(cbAutoErrorScan_);
        cbAutoErrorScan_->setChecked(false);
    }
    driver_.SwitchOff();
    tErrorScanTimer_->stop();
    ClosePort();
}

void ErrorsPage::Detach() {
    tErrorScanTimer_->stop();
    driver_.SwitchOff();
    editor_.reset();
    SetViewsEnabled(false);
}

void ErrorsPage::ClosePort() {
    if (hooks_.Zulm == nullptr) return;
    try {
        hooks_.Zulm->Close();
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(ExceptionMessage(e));
    }
}

void ErrorsPage::tErrorScanTimerTimer() {
    // Inside one of the page's actions (and so inside a step's own message box) the tick waits.
    if (!editor_ || handlers_ > 0) return;
    bool stepped = false;
    {
        const HandlerScope scope(*this);
        stepped = RunScanTick(driver_, *editor_, *host_);
    }
    if (stepped && editor_) DrawPage();
}
