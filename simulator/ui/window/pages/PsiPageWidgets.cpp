#include "PsiPageWidgets.h"

#include "UnknownRequestsView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace {

// The cell editor that has the focus inside a view, if any.
QWidget* OpenEditorIn(const QAbstractItemView& view) {
    QWidget* editor = QApplication::focusWidget();
    return editor != nullptr && view.viewport()->isAncestorOf(editor) ? editor : nullptr;
}

bool IsEnter(const QKeyEvent& event) { return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter; }

} // namespace

RequestTreeWidget::RequestTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    // Every row is one line of the same font and icon: the view need not measure each.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // captions are edited through F2 only
    setExpandsOnDoubleClick(false);                     // a double click is Enter
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

void RequestTreeWidget::CommitOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    if (QWidget* editor = OpenEditorIn(*this)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void RequestTreeWidget::keyPressEvent(QKeyEvent* event) {
    if (Keys && Keys(*event)) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void RequestTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (IsUnknownRequestDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void RequestTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (IsUnknownRequestDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void RequestTreeWidget::dropEvent(QDropEvent* event) {
    if (!IsUnknownRequestDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (Dropped) Dropped(UnknownRequestsOfDrag(event->mimeData()));
}

ByteDescriptionGrid::ByteDescriptionGrid(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(2);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->hide();
    setWordWrap(false);
}

void ByteDescriptionGrid::CommitOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    if (QWidget* editor = OpenEditorIn(*this)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void ByteDescriptionGrid::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(*event) && state() != QAbstractItemView::EditingState && Enter) {
        event->accept();
        Enter();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
