#include "ActivationsPage.h"

#include "EditorChecks.h"
#include "FileText.h"
#include "HexLineEdit.h"
#include "OperatorDialogs.h"
#include "ReportList.h"
#include "SimulationController.h"
#include "UnknownRequestDrop.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool Plain(const QKeyEvent& event) { return (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier; }
bool Shifted(const QKeyEvent& event) { return (event.modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier; }

} // namespace

ActivationsPage::ActivationsPage(SimulationController& controller, OperatorDialogs& dialogs,
                                 ActivationsPageHooks hooks, QWidget* parent)
    : QWidget(parent), controller_(controller), dialogs_(dialogs), hooks_(std::move(hooks)),
      engine_([&controller] { return controller.Busy() ? nullptr : controller.Engine(); }) {
    setObjectName(QStringLiteral("pnlActivations"));
    BuildControls();
    DrawAll();
    SetViewsEnabled(false);
}

ActivationsPage::~ActivationsPage() {
    // The controls go after this object: nothing they report may reach it any more.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    lwActivationRequests_->Keys = nullptr;
    lwActivationAnswers_->Keys = nullptr;
}

void ActivationsPage::BuildControls() {
    gbActivation_ = Named(new QGroupBox(this), "gbActivation");
    auto* group = new QVBoxLayout(gbActivation_);

    auto* top = new QHBoxLayout;
    auto* upDown = Named(new QWidget(gbActivation_), "udActivation");
    auto* upDownLayout = new QHBoxLayout(upDown);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    udActivationDown_ = Named(new QToolButton(upDown), "udActivationDown");
    udActivationDown_->setArrowType(Qt::LeftArrow);
    udActivationUp_ = Named(new QToolButton(upDown), "udActivationUp");
    udActivationUp_->setArrowType(Qt::RightArrow);
    upDownLayout->addWidget(udActivationDown_);
    upDownLayout->addWidget(udActivationUp_);
    connect(udActivationDown_, &QToolButton::clicked, this, [this] { udActivationClick(-1); });
    connect(udActivationUp_, &QToolButton::clicked, this, [this] { udActivationClick(+1); });
    top->addWidget(upDown);

    txtActivationName_ = Named(new QLineEdit(gbActivation_), "txtActivationName");
    auto* nameLabel = Named(new QLabel(QStringLiteral("Name"), gbActivation_), "lblActivationName");
    nameLabel->setBuddy(txtActivationName_);
    connect(txtActivationName_, &QLineEdit::textEdited, this, &ActivationsPage::txtActivationNameChange);
    top->addWidget(nameLabel);
    top->addWidget(txtActivationName_, 1);
    cmdNewActivation_ = Named(new QPushButton(QStringLiteral("New"), gbActivation_), "cmdNewActivation");
    cmdRefreshAct_ = Named(new QPushButton(QStringLiteral("Refresh"), gbActivation_), "cmdRefreshAct");
    connect(cmdNewActivation_, &QPushButton::clicked, this, &ActivationsPage::cmdNewActivationClick);
    connect(cmdRefreshAct_, &QPushButton::clicked, this, &ActivationsPage::cmdRefreshActClick);
    top->addWidget(cmdNewActivation_);
    top->addWidget(cmdRefreshAct_);
    group->addLayout(top);

    auto editor = [&](const char* name, const char* labelName, const char* caption) {
        auto* edit = Named(new HexLineEdit(hooks_.Overwrite, gbActivation_), name);
        edit->SetFailureSink([this](const std::string& text) { dialogs_.ShowMessage(text); });
        auto* label = Named(new QLabel(QString::fromLatin1(caption), gbActivation_), labelName);
        label->setBuddy(edit);
        // The label above the editor: the editor takes the group's width, for long values.
        group->addWidget(label);
        group->addWidget(edit);
        return edit;
    };
    txtActivationReqEditor_ = editor("txtActivationReqEditor", "lblActivationReqEditor", "Request Editor");
    connect(txtActivationReqEditor_, &HexLineEdit::hexEdited, this, &ActivationsPage::txtActivationReqEditorChange);

    lwActivationRequests_ = Named(new ReportList(gbActivation_), "lwActivationRequests");
    lwActivationRequests_->setHeaderLabels({QStringLiteral("Intraframe"), QStringLiteral("Request")});
    lwActivationRequests_->setColumnWidth(0, IntraFrameColumnWidth);
    lwActivationRequests_->setColumnWidth(1, RequestColumnWidth);
    lwActivationRequests_->Keys = [this](const QKeyEvent& e) { return lwActivationRequestsKeyDown(e); };
    connect(lwActivationRequests_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { lwActivationRequestsSelectItem(current); });
    connect(lwActivationRequests_, &QTreeWidget::itemChanged, this, &ActivationsPage::lwActivationRequestsEdited);
    // The intra-frame caption is the one thing edited in place.
    connect(lwActivationRequests_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { lwActivationRequests_->editItem(item, 0); });
    UnknownRequestDrop::Install(lwActivationRequests_->viewport(), [this](const std::vector<UnknownRequestRow>& rows) {
        lwActivationRequestsDragDrop(rows);
    });
    group->addWidget(lwActivationRequests_, 3);

    txtActivationAnsEditor_ = editor("txtActivationAnsEditor", "lblActivationAnsEditor", "Answer Editor");
    connect(txtActivationAnsEditor_, &HexLineEdit::hexEdited, this, &ActivationsPage::txtActivationAnsEditorChange);

    lwActivationAnswers_ = Named(new ReportList(gbActivation_), "lwActivationAnswers");
    lwActivationAnswers_->setHeaderLabels({QStringLiteral("Answer")});
    lwActivationAnswers_->setColumnWidth(0, AnswerColumnWidth);
    lwActivationAnswers_->Keys = [this](const QKeyEvent& e) { return lwActivationAnswersKeyDown(e); };
    connect(lwActivationAnswers_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { lwActivationAnswersSelectItem(current); });
    group->addWidget(lwActivationAnswers_, 2);

    // Reached by Shift+Up and Shift+Down in the request list only.
    cmdMoveActivationUp_ = Named(new QPushButton(gbActivation_), "cmdMoveActivationUp");
    cmdMoveActivationDown_ = Named(new QPushButton(gbActivation_), "cmdMoveActivationDown");
    for (QPushButton* move : {cmdMoveActivationUp_, cmdMoveActivationDown_}) move->hide();
    connect(cmdMoveActivationUp_, &QPushButton::clicked, this, &ActivationsPage::cmdMoveActivationUpClick);
    connect(cmdMoveActivationDown_, &QPushButton::clicked, this, &ActivationsPage::cmdMoveActivationDownClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbActivation_);
    if (parentWidget() != nullptr && parentWidget()->layout() != nullptr) parentWidget()->layout()->addWidget(this);
}

// ---- load, rebuild, save ------------------------------------------------------------------------

void ActivationsPage::SetViewsEnabled(bool enabled) {
    // Without an activation shown (a simulation without any) only "New" is offered: anything
    // typed elsewhere would belong to no activation the next load reads.
    const bool shown = enabled && editor_ && editor_->Shown();
    for (QWidget* w : std::initializer_list<QWidget*>{udActivationDown_, udActivationUp_, txtActivationName_,
                                                      lwActivationRequests_, lwActivationAnswers_, cmdRefreshAct_})
        w->setEnabled(shown);
    cmdNewActivation_->setEnabled(enabled);
    DrawEditors();
}

void ActivationsPage::BeginLoad() {
    FlushEdits();
    editor_.reset();
    DrawAll();
    SetViewsEnabled(false);
}

void ActivationsPage::Rebuild() {
    editor_.reset();
    TCustomIniFile* file = controller_.Busy() ? nullptr : controller_.SimulationFile();
    if (file != nullptr) {
        const std::int32_t intraFrame = hooks_.IntraFrameDefault ? hooks_.IntraFrameDefault() : 100;
        editor_ = std::make_unique<ActivationEditor>(*file, engine_, controller_.View().Activations, intraFrame,
                                                     [this](const std::string& text) { dialogs_.ShowMessage(text); });
        editor_->Show();
    }
    DrawAll();
    SetViewsEnabled(editor_ != nullptr);
}

void ActivationsPage::FlushEdits() {
    lwActivationRequests_->CommitOpenEditor();
    if (!editor_) return;
    // What is saved is what stays shown: rows the store did not take leave the list.
    editor_->Flush();
    DrawAll();
}

void ActivationsPage::Detach() {
    editor_.reset();
    SetViewsEnabled(false);
}

// ---- drawing ------------------------------------------------------------------------------------

void ActivationsPage::DrawAll() {
    DrawCaption();
    {
        const QSignalBlocker blocker(txtActivationName_);
        txtActivationName_->setText(editor_ ? FromFileText(editor_->Name()) : QString());
    }
    DrawRequests();
    DrawAnswers();
    DrawEditors();
}

void ActivationsPage::DrawCaption() {
    const ActivationSelector& s = controller_.View().Activations;
    gbActivation_->setTitle(editor_ ? Q(editor_->GroupCaption())
                                    : QStringLiteral("Activation %1/%2").arg(s.Position).arg(s.Max));
}

void ActivationsPage::DrawRequests() {
    const QSignalBlocker blocker(lwActivationRequests_);
    lwActivationRequests_->clear();
    if (!editor_) return;
    for (const ActivationRow& row : editor_->Rows()) {
        auto* item = new QTreeWidgetItem(QStringList{Q(row.IntraFrame), Q(row.Request)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        lwActivationRequests_->addTopLevelItem(item);
    }
    if (QTreeWidgetItem* selected = lwActivationRequests_->topLevelItem(editor_->SelectedRow()))
        lwActivationRequests_->setCurrentItem(selected);
}

void ActivationsPage::DrawAnswers() {
    const QSignalBlocker blocker(lwActivationAnswers_);
    lwActivationAnswers_->clear();
    if (!editor_) return;
    for (const std::string& answer : editor_->ShownAnswers())
        lwActivationAnswers_->addTopLevelItem(new QTreeWidgetItem(QStringList{Q(answer)}));
    if (QTreeWidgetItem* selected = lwActivationAnswers_->topLevelItem(editor_->SelectedAnswer()))
        lwActivationAnswers_->setCurrentItem(selected);
}

void ActivationsPage::DrawEditors() {
    const int row = editor_ ? editor_->SelectedRow() : -1;
    const int answer = editor_ ? editor_->SelectedAnswer() : -1;
    txtActivationReqEditor_->setText(row >= 0 ? Q(editor_->Rows()[static_cast<std::size_t>(row)].Request) : QString());
    txtActivationReqEditor_->setEnabled(row >= 0);
    txtActivationAnsEditor_->setText(answer >= 0 ? Q(editor_->ShownAnswers()[static_cast<std::size_t>(answer)])
                                                 : QString());
    txtActivationAnsEditor_->setEnabled(answer >= 0);
}

// ---- navigation, New, Refresh -------------------------------------------------------------------

void ActivationsPage::udActivationClick(int step) {
    if (!editor_) return;
    const ActivationSelector& s = controller_.View().Activations;
    // Position 0 (nothing loaded) and an empty range move nowhere.
    if (s.Position <= 0 || s.Max < s.Min) return;
    int next = s.Position + step;
    if (next > s.Max) next = s.Min;
    if (next < s.Min) next = s.Max;
    lwActivationRequests_->CommitOpenEditor();
    editor_->MoveTo(next);
    DrawAll();
}

void ActivationsPage::cmdNewActivationClick() {
    if (!editor_) return;
    lwActivationRequests_->CommitOpenEditor();
    editor_->New();
    DrawAll();
    SetViewsEnabled(true);
}

void ActivationsPage::cmdRefreshActClick() {
    if (!editor_) return;
    lwActivationRequests_->CommitOpenEditor();
    editor_->Refresh();
    DrawAll();
}

// ---- the request list ---------------------------------------------------------------------------

void ActivationsPage::lwActivationRequestsSelectItem(QTreeWidgetItem* item) {
    if (!editor_) return;
    editor_->SelectRow(item != nullptr ? lwActivationRequests_->indexOfTopLevelItem(item) : -1);
    DrawAnswers();
    DrawEditors();
}

bool ActivationsPage::lwActivationRequestsKeyDown(const QKeyEvent& event) {
    if (!editor_) return false;
    if (Shifted(event) && event.key() == Qt::Key_Up) {
        cmdMoveActivationUpClick();
    } else if (Shifted(event) && event.key() == Qt::Key_Down) {
        cmdMoveActivationDownClick();
    } else if (Plain(event) && event.key() == Qt::Key_Insert) {
        editor_->InsertRow();
        DrawAll();
    } else if (Plain(event) && event.key() == Qt::Key_Delete) {
        editor_->DeleteRows(lwActivationRequests_->SelectedRows());
        DrawAll();
    } else if (Plain(event) && event.key() == Qt::Key_F2) {
        if (QTreeWidgetItem* item = lwActivationRequests_->currentItem()) lwActivationRequests_->editItem(item, 0);
    } else {
        return false;
    }
    return true;
}

void ActivationsPage::cmdMoveActivationUpClick() {
    if (!editor_) return;
    editor_->MoveRowUp();
    DrawRequests();
}

void ActivationsPage::cmdMoveActivationDownClick() {
    if (!editor_) return;
    editor_->MoveRowDown();
    DrawRequests();
}

void ActivationsPage::lwActivationRequestsEdited(QTreeWidgetItem* item, int column) {
    if (!editor_ || column != 0) return;
    editor_->SetIntraFrame(lwActivationRequests_->indexOfTopLevelItem(item), item->text(0).toStdString());
}

void ActivationsPage::lwActivationRequestsDragDrop(const std::vector<UnknownRequestRow>& rows) {
    if (!editor_) return;
    std::vector<std::string> taken;
    // One step per row, each stored as it comes; a row not taken stays in the list.
    for (const UnknownRequestRow& row : rows) {
        TStringList answers;
        for (const std::string& answer : row.Answers) answers.push_back(DisplayFormOf(answer));
        if (editor_->Drop(DisplayFormOf(row.Request), answers)) taken.push_back(row.Request);
    }
    DrawAll();
    if (taken.empty() || hooks_.UnknownRequests == nullptr) return;
    hooks_.UnknownRequests->RemoveRequests(taken);
    if (hooks_.UnknownRequestsChanged) hooks_.UnknownRequestsChanged();
}

// ---- the answer list ----------------------------------------------------------------------------

void ActivationsPage::lwActivationAnswersSelectItem(QTreeWidgetItem* item) {
    if (!editor_) return;
    editor_->SelectAnswer(item != nullptr ? lwActivationAnswers_->indexOfTopLevelItem(item) : -1);
    DrawEditors();
}

bool ActivationsPage::lwActivationAnswersKeyDown(const QKeyEvent& event) {
    if (!editor_ || !Plain(event)) return false;
    if (event.key() == Qt::Key_Insert) editor_->InsertAnswer();
    else if (event.key() == Qt::Key_Delete) editor_->DeleteAnswers(lwActivationAnswers_->SelectedRows());
    else return false;
    DrawAnswers();
    DrawEditors();
    return true;
}

// ---- the name and the two hex editors -----------------------------------------------------------

void ActivationsPage::txtActivationNameChange(const QString& text) {
    if (editor_) editor_->SetName(ToFileText(text));
}

void ActivationsPage::txtActivationReqEditorChange(const QString& text) {
    if (!editor_) return;
    editor_->EditRequest(text.toStdString());
    // The rows follow (a store may also have set a caption); the editor keeps its caret.
    DrawRequests();
}

void ActivationsPage::txtActivationAnsEditorChange(const QString& text) {
    if (!editor_) return;
    editor_->EditAnswer(text.toStdString());
    DrawRequests();
    DrawAnswers();
}
