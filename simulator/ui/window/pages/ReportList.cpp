#include "ReportList.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
}

std::vector<int> ReportList::SelectedRows() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : selectedItems()) rows.push_back(indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ReportList::CurrentRow() const { return currentItem() != nullptr ? indexOfTopLevelItem(currentItem()) : -1; }

void ReportList::CommitOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    QWidget* editor = QApplication::focusWidget();
    if (editor != nullptr && viewport()->isAncestorOf(editor)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool ReportList::OwnsKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Insert && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void ReportList::keyPressEvent(QKeyEvent* event) {
    if (Keys && Keys(*event)) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
