#include "TrafficLogView.h"

#include "FileBytes.h"
#include "RtfWriter.h"
#include "StringList.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

constexpr double PointsPerPixel = 72.0 / 96.0;

// The size of a fragment in half points: its point size, else its pixel size at 96 dots per inch.
int HalfPointsOf(const QFont& font) {
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * PointsPerPixel;
    return std::max(1, static_cast<int>(std::lround(points * 2)));
}

RtfColor RtfColorOf(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

} // namespace

QFont LogFont() {
    QFont font(QString::fromLatin1(LogFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(LogFontPixels);
    return font;
}

QColor LogLineColor(LogLineStyle style) {
    switch (style) {
    case LogLineStyle::RequestStored: return QColor(0, 0, 255);
    case LogLineStyle::RequestFailed: return QColor(255, 0, 0);
    case LogLineStyle::RequestAuto: return QColor(166, 202, 240);
    case LogLineStyle::AnswerStored: return QColor(0, 128, 0);
    case LogLineStyle::AnswerFailed: return QColor(255, 0, 0);
    case LogLineStyle::AnswerAuto: return QColor(0, 255, 0);
    }
    return QColor(0, 0, 0);
}

bool LogLineBold(LogLineStyle style) {
    return style == LogLineStyle::RequestFailed || style == LogLineStyle::AnswerFailed;
}

LogFormats::LogFormats(const QFont& base) {
    for (std::size_t i = 0; i < formats_.size(); ++i) {
        const auto style = static_cast<LogLineStyle>(i);
        QFont font = base;
        font.setBold(LogLineBold(style));
        formats_[i].setFont(font);
        formats_[i].setForeground(LogLineColor(style));
    }
}

void AppendLogLine(QTextEdit& log, const LogLine& line, const LogFormats& formats) {
    QScrollBar* bar = log.verticalScrollBar();
    const bool atEnd = bar == nullptr || bar->value() == bar->maximum();
    QTextCursor cursor(log.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromStdString(line.Text) + QLatin1Char('\n'), formats.Of(line.Style));
    if (atEnd && bar != nullptr) bar->setValue(bar->maximum());
}

void RemoveViewLine(QPlainTextEdit& view, std::size_t row, std::size_t lines) {
    if (row >= lines) return;
    if (lines == 1) {
        view.clear();
        return;
    }
    const QTextBlock block = view.document()->findBlockByNumber(static_cast<int>(row));
    QTextCursor cursor(view.document());
    // A line with the line feed after it; the last line with the one before it.
    if (row + 1 < lines) {
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length(), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(block.position() - 1);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

void AppendViewLine(QPlainTextEdit& view, const std::string& line, std::size_t lines) {
    QTextCursor cursor(view.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines == 0 ? QString::fromStdString(line) : QLatin1Char('\n') + QString::fromStdString(line));
}

std::string LogPlainText(const QTextDocument& document) {
    return JoinLines(SplitLines(document.toPlainText().toStdString()));
}

std::string LogRichText(const QTextDocument& document) {
    std::vector<RtfParagraph> paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // The line feed that ends the last line leaves an empty block behind it.
        if (block == document.lastBlock() && block.length() <= 1) break;
        RtfParagraph paragraph;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat format = fragment.charFormat();
            const QFont font = format.font();
            RtfRun run;
            run.Text = fragment.text().toStdString();
            run.FontFamily = font.family().toStdString();
            run.HalfPoints = HalfPointsOf(font);
            run.Color = RtfColorOf(format.foreground().color());
            run.Bold = font.bold();
            paragraph.push_back(std::move(run));
        }
        paragraphs.push_back(std::move(paragraph));
    }
    return WriteRtf(paragraphs);
}

bool SavesAsPlainText(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == LogSaveExtension;
}

void SaveLog(const QTextDocument& document, const std::string& fileName) {
    WriteFileAtomically(fileName, SavesAsPlainText(fileName) ? LogPlainText(document) : LogRichText(document));
}
