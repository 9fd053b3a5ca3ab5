#include "PsiPage.h"

#include "EngineEdits.h"
#include "FileText.h"
#include "HexText.h"
#include "IniDocument.h"
#include "PsiPageWidgets.h"
#include "SimulationController.h"
#include "UnknownRequests.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <optional>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

bool IsEnter(const QKeyEvent& event) { return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter; }

// A node of the request tree that holds nothing of its own until it is edited: its caption is
// read from the view's tree when it is drawn, its icon and state image follow from its kind, the
// icon shared by every node of the kind. A simulation has tens of thousands of nodes.
class RequestTreeNode final : public QTreeWidgetItem {
public:
    // child: -1 the group's root, 0 its request, 1 and on its answers.
    RequestTreeNode(const std::vector<RequestGroup>& tree, std::size_t group, std::int32_t child, QIcon icon,
                    int stateImage)
        : QTreeWidgetItem(QTreeWidgetItem::UserType), tree_(tree), group_(group), child_(child),
          icon_(std::move(icon)), stateImage_(stateImage) {}

    QVariant data(int column, int role) const override {
        if (column == 0 && role == Qt::DecorationRole) return icon_;
        if (column == 0 && role == StateImageRole) return stateImage_;
        QVariant stored = QTreeWidgetItem::data(column, role);
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole) && !stored.isValid())
            return FromFileText(Caption());
        return stored;
    }

private:
    std::string Caption() const {
        if (group_ >= tree_.size()) return {};
        const RequestGroup& group = tree_[group_];
        if (child_ < 0) return group.Caption;
        if (child_ == 0) return group.RequestNode.value_or(std::string());
        const auto answer = static_cast<std::size_t>(child_ - 1);
        return answer < group.Answers.size() ? group.Answers[answer].Caption : std::string();
    }

    const std::vector<RequestGroup>& tree_;
    std::size_t group_;
    std::int32_t child_;
    QIcon icon_; // shared, not copied
    int stateImage_;
};

} // namespace

// The editor's way to the window: the controller's current file and engine, none while a load runs.
class PsiPage::Host final : public RequestEditorHost {
public:
    Host(SimulationController& controller, OperatorDialogs& dialogs, std::function<std::int32_t()> intraFrame)
        : controller_(controller), dialogs_(dialogs), intraFrame_(std::move(intraFrame)) {}

    SimulationView& View() override { return controller_.View(); }
    TCustomIniFile* SimulationFile() override { return controller_.Busy() ? nullptr : controller_.SimulationFile(); }
    EngineEdits* Engine() override {
        TKRIXCommunicationThread* engine = controller_.Busy() ? nullptr : controller_.Engine();
        if (engine == nullptr) return nullptr;
        edits_.emplace(*engine);
        return &*edits_;
    }
    OperatorDialogs& Dialogs() override { return dialogs_; }
    std::int32_t IntraFrameDefault() override { return intraFrame_ ? intraFrame_() : 100; }
    std::int32_t DataOffset() override { return controller_.Protocol().RxStructure.DataOffset; }

private:
    SimulationController& controller_;
    OperatorDialogs& dialogs_;
    std::function<std::int32_t()> intraFrame_;
    std::optional<EngineThreadEdits> edits_;
};

PsiPage::PsiPage(SimulationController& controller, OperatorDialogs& dialogs, PsiPageHooks hooks, QAction* find,
                 QAction* searchAgain, QWidget* parent)
    : QWidget(parent), controller_(controller), hooks_(std::move(hooks)),
      host_(std::make_unique<Host>(controller, dialogs, hooks_.IntraFrameDefault)), editor_(*host_), find_(find),
      searchAgain_(searchAgain) {
    setObjectName(QStringLiteral("pnlPSI"));
    BuildControls();
    BuildPopup();
    if (find_ != nullptr) connect(find_, &QAction::triggered, this, &PsiPage::mFindByteDescriptionClick);
    if (searchAgain_ != nullptr) connect(searchAgain_, &QAction::triggered, this, &PsiPage::mSearchAgainClick);
    // The page's tab hands its focus to the tree.
    if (parent != nullptr) parent->setFocusProxy(twPSI_);
    SetViewsEnabled(false);
}

PsiPage::~PsiPage() {
    // The controls go after this object: nothing they report may reach it any more.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    twPSI_->Keys = nullptr;
    twPSI_->Dropped = nullptr;
    sgByteDescription_->Enter = nullptr;
    txtPSIDataEditor_->SetOwnKeys(nullptr);
    txtPSIDataEditor_->removeEventFilter(this);
    if (find_ != nullptr) find_->disconnect(this);
    if (searchAgain_ != nullptr) searchAgain_->disconnect(this);
}

void PsiPage::BuildControls() {
    // Made once and shared by every node: an icon of its own per node costs a pixmap each.
    icons_ = {style()->standardIcon(QStyle::SP_DirIcon), style()->standardIcon(QStyle::SP_ArrowRight),
              style()->standardIcon(QStyle::SP_ArrowLeft)};
    twPSI_ = Named(new RequestTreeWidget(this), "twPSI");
    QFont bold = twPSI_->font();
    bold.setBold(true);
    twPSI_->setFont(bold);
    twPSI_->Keys = [this](const QKeyEvent& e) { return twPSIKeyDown(e); };
    // Taken in after the drag has ended: a box about a refused row must not hold the drag open.
    twPSI_->Dropped = [this](const std::vector<UnknownRequestRow>& rows) {
        QMetaObject::invokeMethod(this, [this, rows] { twPSIDragDrop(rows); }, Qt::QueuedConnection);
    };
    connect(twPSI_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) { twPSIChange(current); });
    connect(twPSI_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { twPSIDblClick(item); });
    connect(twPSI_, &QTreeWidget::itemChanged, this, &PsiPage::twPSIEdited);

    auto* group = Named(new QGroupBox(QStringLiteral("Data Editor"), this), "gbPSIDataEditor");
    auto* groupLayout = new QVBoxLayout(group);
    txtPSIDataEditor_ = Named(new HexLineEdit(hooks_.Overwrite, group), "txtPSIDataEditor");
    txtPSIDataEditor_->SetOwnKeys([this](const QKeyEvent& e) { return txtPSIDataEditorKeyDown(e); });
    txtPSIDataEditor_->SetFailureSink([this](const std::string& text) { host_->Dialogs().ShowMessage(text); });
    txtPSIDataEditor_->installEventFilter(this);
    connect(txtPSIDataEditor_, &HexLineEdit::hexEdited, this, &PsiPage::txtPSIDataEditorChange);
    connect(txtPSIDataEditor_, &HexLineEdit::keyReleased, this, [this] { txtPSIDataEditorClick(); });
    connect(txtPSIDataEditor_, &HexLineEdit::entered, this, &PsiPage::txtPSIDataEditorEnter);
    connect(txtPSIDataEditor_, &HexLineEdit::left, this, &PsiPage::txtPSIDataEditorExit);
    cbPSIEditorLockLength_ = Named(new QCheckBox(QStringLiteral("Lock Length"), group), "cbPSIEditorLockLength");
    cbPSIEditorLockLength_->setToolTip(QStringLiteral("Check to lock answer maximum length on editor"));
    connect(cbPSIEditorLockLength_, &QCheckBox::clicked, this, &PsiPage::cbPSIEditorLockLengthClick);
    groupLayout->addWidget(txtPSIDataEditor_);
    groupLayout->addWidget(cbPSIEditorLockLength_);

    sgByteDescription_ = Named(new ByteDescriptionGrid(this), "sgByteDescription");
    sgByteDescription_->setHorizontalHeaderLabels({QStringLiteral("Byte #"), QStringLiteral("Description")});
    sgByteDescription_->setColumnWidth(0, ByteNumberColumnWidth);
    sgByteDescription_->setColumnWidth(1, ByteDescriptionColumnWidth);
    sgByteDescription_->verticalHeader()->setDefaultSectionSize(ByteDescriptionRowHeight);
    sgByteDescription_->horizontalHeader()->setStretchLastSection(true);
    // As wide as its two columns and a vertical scroll bar: it never scrolls sideways, so the
    // byte numbers stay in view whatever cell is current.
    sgByteDescription_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgByteDescription_->setFixedWidth(
        ByteNumberColumnWidth + ByteDescriptionColumnWidth + 2 * sgByteDescription_->frameWidth() +
        sgByteDescription_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sgByteDescription_));
    sgByteDescription_->Enter = [this] { sgByteDescriptionKeyPress(); };
    connect(sgByteDescription_, &QTableWidget::cellChanged, this, &PsiPage::sgByteDescriptionSetEditText);

    // The data editor takes the page's width, for long answers; the tree and the grid share the
    // room below it.
    auto* lists = new QHBoxLayout;
    lists->addWidget(twPSI_, 1);
    lists->addWidget(sgByteDescription_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addLayout(lists, 1);
    if (parentWidget() != nullptr && parentWidget()->layout() != nullptr) parentWidget()->layout()->addWidget(this);
    ShowDescriptions();
}

void PsiPage::BuildPopup() {
    pmtwPSI_ = Named(new QMenu(twPSI_), "pmtwPSI");
    auto add = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
                      void (PsiPage::*handler)()) {
        QAction* action = Named(menu->addAction(QString::fromLatin1(caption)), name);
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            // Only while the tree has the focus: the same keys edit the hex editor and the grid.
            action->setShortcutContext(Qt::WidgetShortcut);
            twPSI_->addAction(action);
        }
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add(pmtwPSI_, "pmExpandAll", "Expand All", {}, &PsiPage::pmExpandAllClick);
    add(pmtwPSI_, "pmCollapseAll", "Collapse All", {}, &PsiPage::pmCollapseAllClick);
    pmtwPSI_->addSeparator();
    QMenu* node = Named(pmtwPSI_->addMenu(QStringLiteral("Node")), "mNode");
    add(node, "mNodeAddAnswer", "Add Answer", QKeySequence(Qt::Key_Insert), &PsiPage::mNodeAddAnswerClick);
    add(node, "mNodeDelete", "Delete", QKeySequence(Qt::Key_Delete), &PsiPage::mNodeDeleteClick);
    add(node, "mCopyNode", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C), &PsiPage::mCopyNodeClick);
    add(node, "mPasteNode", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &PsiPage::mPasteNodeClick);

    // A right click selects the node under it before the menu shows.
    twPSI_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(twPSI_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = twPSI_->itemAt(at)) twPSI_->setCurrentItem(item);
        pmtwPSI_->popup(twPSI_->viewport()->mapToGlobal(at));
    });
}

// ---- load, rebuild, save ------------------------------------------------------------------------

void PsiPage::SetViewsEnabled(bool enabled) {
    twPSI_->setEnabled(enabled);
    sgByteDescription_->setEnabled(enabled);
    cbPSIEditorLockLength_->setEnabled(enabled);
    if (!enabled) txtPSIDataEditor_->setEnabled(false);
    if (find_ != nullptr) find_->setEnabled(enabled);
    if (searchAgain_ != nullptr) searchAgain_->setEnabled(enabled);
}

void PsiPage::BeginLoad() {
    FlushEdits();
    editor_.Reset();
    {
        const QSignalBlocker blocker(twPSI_);
        twPSI_->clear();
    }
    SetViewsEnabled(false);
    ShowNode();
}

void PsiPage::Rebuild() {
    editor_.Reset();
    {
        // One insertion for the whole tree, drawn once: a simulation has tens of thousands of nodes.
        const QSignalBlocker blocker(twPSI_);
        twPSI_->setUpdatesEnabled(false);
        twPSI_->clear();
        QList<QTreeWidgetItem*> roots;
        roots.reserve(static_cast<qsizetype>(controller_.View().Tree.size()));
        for (std::size_t g = 0; g < controller_.View().Tree.size(); ++g) roots.append(NewRoot(g));
        twPSI_->addTopLevelItems(roots);
        twPSI_->setUpdatesEnabled(true);
    }
    SetViewsEnabled(editor_.Enabled());
    ShowNode();
    // The load gives the tree the focus when its page is the one shown; it was disabled then.
    if (twPSI_->isEnabled() && isVisible()) twPSI_->setFocus(Qt::OtherFocusReason);
}

void PsiPage::FlushEdits() {
    twPSI_->CommitOpenEditor();
    sgByteDescription_->CommitOpenEditor();
    editor_.Flush();
}

// ---- the tree's items ---------------------------------------------------------------------------

QTreeWidgetItem* PsiPage::ItemOf(TreeNode node) const {
    if (!node.Valid() || node.Group >= twPSI_->topLevelItemCount()) return nullptr;
    QTreeWidgetItem* root = twPSI_->topLevelItem(node.Group);
    if (node.IsRoot()) return root;
    return node.Child < root->childCount() ? root->child(node.Child) : nullptr;
}

TreeNode PsiPage::NodeOf(QTreeWidgetItem* item) const {
    if (item == nullptr) return {};
    if (item->parent() == nullptr) return {static_cast<std::int32_t>(twPSI_->indexOfTopLevelItem(item)), -1};
    return {static_cast<std::int32_t>(twPSI_->indexOfTopLevelItem(item->parent())),
            static_cast<std::int32_t>(item->parent()->indexOfChild(item))};
}

QTreeWidgetItem* PsiPage::NewRoot(std::size_t group) {
    const RequestGroup& g = controller_.View().Tree[group];
    auto* root = new RequestTreeNode(controller_.View().Tree, group, -1, icons_.Root, RootStateImage);
    if (g.Kind == GroupKind::Request && g.RequestNode) root->setFlags(root->flags() | Qt::ItemIsEditable);
    FillGroup(root, group);
    return root;
}

void PsiPage::FillGroup(QTreeWidgetItem* root, std::size_t group) {
    for (QTreeWidgetItem* child : root->takeChildren()) delete child;
    // Every group has its request line first, so a node's place tells its kind.
    const std::vector<RequestGroup>& tree = controller_.View().Tree;
    const std::size_t answers = tree[group].Answers.size();
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(answers) + 1);
    children.append(new RequestTreeNode(tree, group, 0, icons_.Request, RequestStateImage));
    for (std::size_t a = 1; a <= answers; ++a)
        children.append(new RequestTreeNode(tree, group, static_cast<std::int32_t>(a), icons_.Answer, AnswerStateImage));
    root->addChildren(children);
}

void PsiPage::RedrawGroup(std::int32_t group) {
    const std::vector<RequestGroup>& tree = controller_.View().Tree;
    {
        const QSignalBlocker blocker(twPSI_);
        if (QTreeWidgetItem* root = ItemOf({group, -1}); root != nullptr && group < static_cast<std::int32_t>(tree.size())) {
            root->setText(0, FromFileText(tree[static_cast<std::size_t>(group)].Caption));
            FillGroup(root, static_cast<std::size_t>(group));
        }
        if (QTreeWidgetItem* item = ItemOf(editor_.Selected())) twPSI_->setCurrentItem(item);
    }
    ShowNode();
}

void PsiPage::SelectNode(TreeNode node) {
    QTreeWidgetItem* item = ItemOf(node);
    if (item == nullptr) return;
    if (item->parent() != nullptr) item->parent()->setExpanded(true);
    twPSI_->setCurrentItem(item); // twPSIChange writes the group left
    twPSI_->scrollToItem(item);
}

// ---- showing a node -----------------------------------------------------------------------------

void PsiPage::twPSIChange(QTreeWidgetItem* current) {
    editor_.Select(NodeOf(current));
    ShowNode();
}

void PsiPage::ShowNode() {
    // Setting the text is no edit: only keys make one.
    txtPSIDataEditor_->setText(FromFileText(editor_.EditorText()));
    txtPSIDataEditor_->setEnabled(editor_.AnswerEditable());
    ShowDescriptions();
}

void PsiPage::ShowDescriptions() {
    const QSignalBlocker blocker(sgByteDescription_);
    const TStringList* descriptions = editor_.Descriptions();
    const bool editable = descriptions != nullptr && editor_.AnswerEditable();
    const int rows = descriptions != nullptr && !descriptions->empty() ? static_cast<int>(descriptions->size()) : 1;
    sgByteDescription_->clearContents();
    sgByteDescription_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const bool byte = descriptions != nullptr && r < static_cast<int>(descriptions->size());
        auto* number = new QTableWidgetItem(byte ? QString::number(r + 1) : QString());
        number->setFlags(Qt::ItemIsEnabled);
        auto* text = new QTableWidgetItem(byte ? FromFileText((*descriptions)[static_cast<std::size_t>(r)]) : QString());
        text->setFlags(editable && byte ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                        : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        sgByteDescription_->setItem(r, 0, number);
        sgByteDescription_->setItem(r, 1, text);
    }
}

// ---- keys and mouse in the tree -----------------------------------------------------------------

void PsiPage::EnterDataEditor(QTreeWidgetItem* item) {
    const std::optional<int> caret = editor_.EditorEntry(NodeOf(item));
    if (!caret) return;
    txtPSIDataEditor_->setEnabled(true);
    txtPSIDataEditor_->deselect();
    txtPSIDataEditor_->setCursorPosition(*caret);
    txtPSIDataEditor_->setFocus(Qt::OtherFocusReason);
}

bool PsiPage::twPSIKeyDown(const QKeyEvent& event) {
    QTreeWidgetItem* item = twPSI_->currentItem();
    const bool enter = IsEnter(event);
    if (item == nullptr || event.modifiers() & ~Qt::KeypadModifier || (!enter && event.key() != Qt::Key_F2))
        return false;
    const TreeNode node = NodeOf(item);
    if (node.IsRoot()) {
        if (enter) item->setExpanded(!item->isExpanded());
        else if (editor_.CanRename(node)) twPSI_->editItem(item, 0);
        return true;
    }
    // A line: Enter and F2 open an answer in the data editor (caption editing is refused on lines).
    EnterDataEditor(item);
    return true;
}

void PsiPage::twPSIDblClick(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    if (item->parent() == nullptr) item->setExpanded(!item->isExpanded());
    else EnterDataEditor(item);
}

void PsiPage::twPSIEdited(QTreeWidgetItem* item, int column) {
    const TreeNode node = NodeOf(item);
    if (column != 0 || !node.IsRoot()) return;
    const std::string shown = editor_.Rename(node.Group, ToFileText(item->text(0)));
    const QSignalBlocker blocker(twPSI_);
    item->setText(0, FromFileText(shown));
}

void PsiPage::twPSIDragDrop(const std::vector<UnknownRequestRow>& rows) {
    const std::size_t before = controller_.View().Tree.size();
    const std::vector<std::string> taken = editor_.Drop(rows);
    {
        const QSignalBlocker blocker(twPSI_);
        const std::vector<RequestGroup>& tree = controller_.View().Tree;
        for (std::size_t g = before; g < tree.size(); ++g) twPSI_->addTopLevelItem(NewRoot(g));
    }
    if (taken.empty() || hooks_.UnknownRequests == nullptr) return;
    // The rows taken leave the list; a refused one stays.
    std::vector<std::uint64_t> ids;
    for (const UnknownRequestRow& row : hooks_.UnknownRequests->Rows()) {
        const std::string request = FoldAsciiCase(StripBlanks(row.Request));
        if (std::find(taken.begin(), taken.end(), request) != taken.end()) ids.push_back(row.Id);
    }
    hooks_.UnknownRequests->Remove(ids);
    if (hooks_.UnknownRequestsChanged) hooks_.UnknownRequestsChanged();
}

// ---- the popup menu -----------------------------------------------------------------------------

void PsiPage::pmExpandAllClick() { twPSI_->expandAll(); }

void PsiPage::pmCollapseAllClick() { twPSI_->collapseAll(); }

void PsiPage::mNodeAddAnswerClick() {
    if (editor_.AddAnswer()) RedrawGroup(editor_.Selected().Group);
}

void PsiPage::mNodeDeleteClick() {
    if (editor_.DeleteSelected()) RedrawGroup(editor_.Selected().Group);
}

void PsiPage::mCopyNodeClick() { editor_.Copy(); }

void PsiPage::mPasteNodeClick() {
    if (editor_.Paste()) RedrawGroup(editor_.Selected().Group);
}

// ---- search -------------------------------------------------------------------------------------

void PsiPage::mFindByteDescriptionClick() {
    if (!editor_.Enabled()) return;
    if (const std::optional<TreeNode> found = editor_.FindByteDescription()) SelectNode(*found);
}

void PsiPage::mSearchAgainClick() {
    if (!editor_.Enabled()) return;
    if (const std::optional<TreeNode> found = editor_.SearchAgain()) SelectNode(*found);
}

// ---- the data editor ----------------------------------------------------------------------------

void PsiPage::txtPSIDataEditorEnter() {
    // One character selected: the one the next digit replaces in overwrite mode.
    const int caret = txtPSIDataEditor_->Caret();
    txtPSIDataEditor_->deselect();
    if (caret < txtPSIDataEditor_->text().size()) txtPSIDataEditor_->setSelection(caret, 1);
    else txtPSIDataEditor_->setCursorPosition(caret);
    cbPSIEditorLockLengthClick();
}

void PsiPage::txtPSIDataEditorChange(const QString& text) {
    const TreeNode node = editor_.Selected();
    const std::size_t bytes = editor_.Descriptions() != nullptr ? editor_.Descriptions()->size() : 0;
    editor_.EditAnswer(ToFileText(text));
    {
        const QSignalBlocker blocker(twPSI_);
        if (QTreeWidgetItem* item = ItemOf(node); item != nullptr && node.IsAnswer()) item->setText(0, text);
    }
    const std::size_t now = editor_.Descriptions() != nullptr ? editor_.Descriptions()->size() : 0;
    if (now != bytes) ShowDescriptions();
}

bool PsiPage::txtPSIDataEditorKeyDown(const QKeyEvent& event) {
    if (IsEnter(event)) {
        sgByteDescription_->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (event.key() == Qt::Key_Escape) {
        twPSI_->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void PsiPage::txtPSIDataEditorClick() {
    const int row = txtPSIDataEditor_->Caret() / 3;
    if (row < sgByteDescription_->rowCount()) sgByteDescription_->setCurrentCell(row, 1);
}

void PsiPage::txtPSIDataEditorExit() { rememberedCaret_ = txtPSIDataEditor_->Caret(); }

void PsiPage::cbPSIEditorLockLengthClick() {
    txtPSIDataEditor_->SetLengthLimit(cbPSIEditorLockLength_->isChecked()
                                          ? static_cast<int>(txtPSIDataEditor_->text().size())
                                          : 0);
}

bool PsiPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtPSIDataEditor_ && event->type() == QEvent::MouseButtonRelease) txtPSIDataEditorClick();
    return QWidget::eventFilter(watched, event);
}

// ---- the byte grid ------------------------------------------------------------------------------

void PsiPage::sgByteDescriptionSetEditText(int, int column) {
    if (column != 1) return;
    TStringList grid;
    for (int r = 0; r < sgByteDescription_->rowCount(); ++r) {
        const QTableWidgetItem* item = sgByteDescription_->item(r, 1);
        grid.push_back(item != nullptr ? ToFileText(item->text()) : std::string());
    }
    editor_.SetDescriptions(grid);
}

void PsiPage::sgByteDescriptionKeyPress() {
    if (!txtPSIDataEditor_->isEnabled()) return;
    txtPSIDataEditor_->deselect();
    txtPSIDataEditor_->setCursorPosition(rememberedCaret_);
    txtPSIDataEditor_->setFocus(Qt::OtherFocusReason);
}
