#include "TrafficLogList.h"

#include "TrafficLogModel.h"
#include "TrafficLogView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

TrafficLogList::TrafficLogList(TrafficLogModel& model, QWidget* parent) : QAbstractItemView(parent), model_(model) {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setTabKeyNavigation(false);
}

int TrafficLogList::LineHeight() const {
    return std::max({QFontMetrics(model_.FontOf(LogLineStyle::RequestStored)).lineSpacing(),
                     QFontMetrics(model_.FontOf(LogLineStyle::RequestFailed)).lineSpacing(), 1});
}

int TrafficLogList::LinesInSight() const {
    return std::max(1, (viewport()->height() - 2 * LogMarginPixels) / LineHeight());
}

int TrafficLogList::Rows() const { return model_.rowCount(); }

int TrafficLogList::RowAt(int y) const {
    const int below = y - LogMarginPixels;
    const int row = verticalScrollBar()->value() + (below >= 0 ? below / LineHeight() : -1);
    return std::clamp(row, 0, std::max(Rows() - 1, 0));
}

int TrafficLogList::TextWidth() const {
    // Monospaced: the longest line's width in its widest (bold) digits.
    const QFontMetrics bold(model_.FontOf(LogLineStyle::RequestFailed));
    return static_cast<int>(model_.Lines().LongestText()) * bold.horizontalAdvance(QLatin1Char('0'));
}

QRect TrafficLogList::visualRect(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const int y = LogMarginPixels + (index.row() - verticalScrollBar()->value()) * LineHeight();
    return {LogMarginPixels - horizontalOffset(), y, std::max(TextWidth(), viewport()->width()), LineHeight()};
}

void TrafficLogList::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int row = index.row();
    const int first = verticalScrollBar()->value();
    const int sight = LinesInSight();
    switch (hint) {
    case PositionAtTop: verticalScrollBar()->setValue(row); break;
    case PositionAtBottom: verticalScrollBar()->setValue(row - sight + 1); break;
    case PositionAtCenter: verticalScrollBar()->setValue(row - sight / 2); break;
    case EnsureVisible:
        if (row < first) verticalScrollBar()->setValue(row);
        else if (row >= first + sight) verticalScrollBar()->setValue(row - sight + 1);
        break;
    }
}

QModelIndex TrafficLogList::indexAt(const QPoint& point) const {
    if (point.y() < LogMarginPixels) return {};
    const int row = verticalScrollBar()->value() + (point.y() - LogMarginPixels) / LineHeight();
    return row < Rows() ? model_.index(row, 0) : QModelIndex();
}

void TrafficLogList::keyboardSearch(const QString&) {
    // Typing finds nothing: a search by the first letters would read every line of a long log.
}

QModelIndex TrafficLogList::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = Rows();
    if (rows == 0) return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : verticalScrollBar()->value();
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - LinesInSight(); break;
    case MovePageDown: row = current + LinesInSight(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    case MoveLeft:
    case MoveRight: break;
    }
    return model_.index(std::clamp(row, 0, rows - 1), 0);
}

int TrafficLogList::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TrafficLogList::verticalOffset() const { return verticalScrollBar()->value() * LineHeight(); }

bool TrafficLogList::isIndexHidden(const QModelIndex&) const { return false; }

void TrafficLogList::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (Rows() == 0) return;
    const QRect r = rect.normalized();
    const QItemSelection lines(model_.index(RowAt(r.top()), 0), model_.index(RowAt(r.bottom()), 0));
    selectionModel()->select(lines, command);
}

QRegion TrafficLogList::visualRegionForSelection(const QItemSelection& selection) const {
    // Only the part in sight: a selection may hold millions of lines.
    const int first = verticalScrollBar()->value();
    const int last = first + LinesInSight();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first), bottom = std::min(range.bottom(), last);
        if (top > bottom) continue;
        const QRect a = visualRect(model_.index(top, 0)), b = visualRect(model_.index(bottom, 0));
        region += QRect(0, a.top(), viewport()->width(), b.bottom() - a.top() + 1);
    }
    return region;
}

void TrafficLogList::updateGeometries() {
    const int sight = LinesInSight();
    verticalScrollBar()->setRange(0, std::max(0, Rows() - sight));
    verticalScrollBar()->setPageStep(sight);
    verticalScrollBar()->setSingleStep(1);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, TextWidth() + 2 * LogMarginPixels - width));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(QFontMetrics(model_.FontOf(LogLineStyle::RequestStored)).horizontalAdvance(QLatin1Char('0')));
    QAbstractItemView::updateGeometries();
}

void TrafficLogList::rowsInserted(const QModelIndex& parent, int start, int end) {
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    if (atEnd) bar->setValue(bar->maximum());
    viewport()->update();
}

void TrafficLogList::scrollContentsBy(int, int) {
    // The bars count lines and pixels; the lines in sight are drawn anew.
    viewport()->update();
}

void TrafficLogList::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int rows = Rows();
    const int first = verticalScrollBar()->value();
    const int last = std::min(rows - 1, first + LinesInSight() + 1);
    const QPalette::ColorGroup group = isEnabled() ? (hasFocus() ? QPalette::Active : QPalette::Inactive)
                                                   : QPalette::Disabled;
    const LogLineStore& lines = model_.Lines();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_.index(row, 0);
        const QRect rect = visualRect(index);
        const auto line = static_cast<std::size_t>(row);
        const LogLineStyle style = lines.Style(line);
        const bool selected = selectionModel()->isSelected(index);
        if (selected) painter.fillRect(QRect(0, rect.top(), viewport()->width(), rect.height()), palette().brush(group, QPalette::Highlight));
        const QFont& font = model_.FontOf(style);
        painter.setFont(font);
        painter.setPen(selected ? palette().color(group, QPalette::HighlightedText) : LogLineColor(style));
        const std::string_view text = lines.Text(line);
        painter.drawText(rect.left(), rect.top() + QFontMetrics(font).ascent(),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

QString TrafficLogList::SelectedText() const {
    QItemSelection selection = selectionModel()->selection();
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selection) ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    QStringList texts;
    int next = 0;
    for (const auto& [top, bottom] : ranges)
        for (int row = std::max(top, next); row <= bottom; ++row) {
            const std::string_view text = model_.Lines().Text(static_cast<std::size_t>(row));
            texts << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            next = row + 1;
        }
    return texts.join(QLatin1Char('\n'));
}

void TrafficLogList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(SelectedText());
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

bool TrafficLogList::viewportEvent(QEvent* event) {
    // The log's hint, wherever the mouse rests: the lines have none of their own.
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), viewport());
        return true;
    }
    return QAbstractItemView::viewportEvent(event);
}
