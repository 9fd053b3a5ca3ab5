#pragma once
// The traffic log's view (reOriglio): one line per row of its model, every line of one height,
// and only the lines in sight are ever measured or drawn, so a log of millions of lines costs the
// view nothing per line. The operator selects lines and copies them (Ctrl+C); nothing is typed
// into the log. A log scrolled to its end stays at its end as lines come; one scrolled elsewhere
// stays where it is.
#include <QAbstractItemView>

class TrafficLogModel;

// The blank around the lines, as a text document leaves it.
inline constexpr int LogMarginPixels = 4;

class TrafficLogList final : public QAbstractItemView {
    Q_OBJECT
public:
    TrafficLogList(TrafficLogModel& model, QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void keyboardSearch(const QString& search) override;
    // The selected lines' texts, one a line, in order.
    QString SelectedText() const;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    int LineHeight() const;
    // Whole lines that fit the viewport, at least one.
    int LinesInSight() const;
    int Rows() const;
    // The line at a height of the viewport, kept within the lines there are.
    int RowAt(int y) const;
    int TextWidth() const;

    TrafficLogModel& model_;
};
