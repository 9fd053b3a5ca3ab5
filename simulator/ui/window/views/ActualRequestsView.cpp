#include "ActualRequestsView.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

void ActualRequestsView::Add(const std::string& request) {
    if (const std::optional<std::size_t> left = lines_.Add(request)) {
        if (*left < drawn_) RemoveDrawn(*left);
        else waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(*left - drawn_));
    }
    waiting_.push_back(request);
    if (!inBurst_) DrawWaiting();
}

void ActualRequestsView::EndBurst() {
    inBurst_ = false;
    DrawWaiting();
}

void ActualRequestsView::RemoveOldest() {
    DrawWaiting();
    if (lines_.RemoveOldest()) RemoveDrawn(0);
}

void ActualRequestsView::Clear() {
    lines_.Clear();
    waiting_.clear();
    drawn_ = 0;
    view_.clear();
}

void ActualRequestsView::RemoveDrawn(std::size_t row) {
    // The view holds drawn_ lines joined by line feeds.
    if (drawn_ == 1) {
        view_.clear();
        drawn_ = 0;
        return;
    }
    const QTextBlock block = view_.document()->findBlockByNumber(static_cast<int>(row));
    QTextCursor cursor(view_.document());
    // A line with the line feed after it; the last line with the one before it.
    if (row + 1 < drawn_) {
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length(), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(block.position() - 1);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    --drawn_;
}

void ActualRequestsView::DrawWaiting() {
    if (waiting_.empty()) return;
    QString text;
    for (const std::string& line : waiting_) {
        if (drawn_ > 0 || !text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromStdString(line);
    }
    QTextCursor cursor(view_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    drawn_ += waiting_.size();
    waiting_.clear();
}
