#include "UnknownRequestsView.h"

#include "HexText.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>
#include <set>
#include <unordered_set>

namespace {

// The payload: the process that made it on the first line, then one row a line, the request and
// its answers in file form separated by tabs.
QByteArray Origin() { return QByteArray::number(QCoreApplication::applicationPid()); }

} // namespace

std::vector<UnknownRequestRow> UnknownRequestsOfDrag(const QMimeData* data) {
    std::vector<UnknownRequestRow> rows;
    if (data == nullptr || !data->hasFormat(UnknownRequestMimeType)) return rows;
    const QList<QByteArray> lines = data->data(UnknownRequestMimeType).split('\n');
    if (lines.isEmpty() || lines.front() != Origin()) return rows;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        UnknownRequestRow row;
        row.Request = fields.front().toStdString();
        for (qsizetype f = 1; f < fields.size(); ++f) row.Answers.push_back(fields[f].toStdString());
        rows.push_back(std::move(row));
    }
    return rows;
}

bool IsUnknownRequestDrag(const QMimeData* data) {
    return data != nullptr && data->hasFormat(UnknownRequestMimeType) &&
           data->data(UnknownRequestMimeType).split('\n').front() == Origin();
}

QStringList UnknownRequestHeaders(int answerColumns) {
    QStringList headers{QString()};
    for (int n = 1; n <= answerColumns; ++n) headers << QStringLiteral("Answer %1").arg(n);
    return headers;
}

// ---- the model ----------------------------------------------------------------------------------

UnknownRequestTableModel::UnknownRequestTableModel(const UnknownRequestList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), headers_{QStringLiteral("Request")} {}

void UnknownRequestTableModel::Refresh() {
    if (std::optional<UnknownRequestUpdate> update = Pending()) Apply(std::move(*update));
}

std::optional<UnknownRequestUpdate> UnknownRequestTableModel::Pending() const {
    return list_.UpdateSince(version_, layout_, rows_.size());
}

void UnknownRequestTableModel::Apply(UnknownRequestUpdate update) {
    version_ = update.Version;
    layout_ = update.Layout;
    if (!update.Appended) {
        beginResetModel();
        rows_ = std::move(update.Rows);
        endResetModel();
        return;
    }
    if (update.Rows.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(update.Rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(update.Rows.begin()), std::make_move_iterator(update.Rows.end()));
    endInsertRows();
}

void UnknownRequestTableModel::SetColumns(const QStringList& headers) {
    beginResetModel();
    headers_ = headers;
    endResetModel();
}

int UnknownRequestTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int UnknownRequestTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant UnknownRequestTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount()) return {};
    const UnknownRequestRow& row = rows_[static_cast<std::size_t>(index.row())];
    if (index.column() == 0) return QString::fromStdString(row.Request);
    const auto answer = static_cast<std::size_t>(index.column() - 1);
    return answer < row.Answers.size() ? QString::fromStdString(row.Answers[answer]) : QString();
}

QVariant UnknownRequestTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return {};
    return section >= 0 && section < headers_.size() ? headers_[section] : QVariant();
}

Qt::ItemFlags UnknownRequestTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList UnknownRequestTableModel::mimeTypes() const { return {QString::fromLatin1(UnknownRequestMimeType)}; }

QMimeData* UnknownRequestTableModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount()) rows.insert(index.row());
    QByteArray payload = Origin();
    for (int r : rows) {
        const UnknownRequestRow& row = rows_[static_cast<std::size_t>(r)];
        payload += '\n';
        payload += QByteArray::fromStdString(StripBlanks(row.Request));
        for (const std::string& answer : row.Answers) payload += '\t' + QByteArray::fromStdString(StripBlanks(answer));
    }
    auto* data = new QMimeData;
    data->setData(UnknownRequestMimeType, payload);
    return data;
}

// ---- the view -----------------------------------------------------------------------------------

UnknownRequestsView::UnknownRequestsView(UnknownRequestList& list, QWidget* parent)
    : QTableView(parent), list_(list), model_(list, this) {
    setObjectName(UnknownRequestsName);
    setModel(&model_);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    ApplyColumnWidths();
}

void UnknownRequestsView::ApplyColumnWidths() {
    for (int c = 0; c < model_.columnCount(); ++c)
        setColumnWidth(c, c == 0 && model_.columnCount() == 1 ? UnknownRequestColumnWidth : UnknownAnswerColumnWidth);
}

std::vector<std::uint64_t> UnknownRequestsView::SelectedIds() const {
    std::vector<std::uint64_t> ids;
    if (selectionModel() == nullptr) return ids;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        ids.push_back(model_.Rows()[static_cast<std::size_t>(index.row())].Id);
    return ids;
}

void UnknownRequestsView::Refresh() {
    std::optional<UnknownRequestUpdate> update = model_.Pending();
    if (!update) return;
    // Rows inserted behind the others leave the selection, the current row and the scrolling as
    // they are; only a list drawn anew has to find its selected rows again.
    if (update->Appended) {
        model_.Apply(std::move(*update));
        return;
    }
    const std::vector<std::uint64_t> ids = SelectedIds();
    const std::unordered_set<std::uint64_t> selected(ids.begin(), ids.end());
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const std::uint64_t currentId = current >= 0 ? model_.Rows()[static_cast<std::size_t>(current)].Id : 0;
    model_.Apply(std::move(*update));
    QItemSelection selection;
    const std::vector<UnknownRequestRow>& rows = model_.Rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r);
        if (selected.count(rows[r].Id) != 0)
            selection.select(model_.index(row, 0), model_.index(row, model_.columnCount() - 1));
        if (rows[r].Id == currentId) selectionModel()->setCurrentIndex(model_.index(row, 0), QItemSelectionModel::NoUpdate);
    }
    if (!selection.isEmpty()) selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void UnknownRequestsView::SetAnswerColumns(int answerColumns) {
    model_.SetColumns(UnknownRequestHeaders(answerColumns));
    ApplyColumnWidths();
}

void UnknownRequestsView::ClearRows() {
    list_.Clear();
    Refresh();
}

void UnknownRequestsView::DeleteSelectedRows() {
    const std::vector<std::uint64_t> ids = SelectedIds();
    if (ids.empty()) return;
    list_.Remove(ids);
    Refresh();
}

void UnknownRequestsView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        DeleteSelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// Rows dropped back onto the list itself are accepted and change nothing.
void UnknownRequestsView::dragEnterEvent(QDragEnterEvent* event) {
    if (IsUnknownRequestDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void UnknownRequestsView::dragMoveEvent(QDragMoveEvent* event) {
    if (IsUnknownRequestDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void UnknownRequestsView::dropEvent(QDropEvent* event) {
    if (IsUnknownRequestDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}
