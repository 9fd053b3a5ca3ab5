#pragma once
// The traffic log's widget side: the six character formats of its lines, appending a line at the
// end of the log whatever the operator has selected, and saving the log as plain text or as rich
// text with its colours.
#include "TrafficLog.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

#include <array>
#include <string>

class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

inline constexpr const char* LogFontFamily = "Courier New";
inline constexpr int LogFontPixels = 13;
inline constexpr const char* LogSaveFilter = "Text files (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf";
inline constexpr const char* LogSaveExtension = ".txt";
inline constexpr const char* LogSaveName = "Origlio";

// The log's font: Courier New, 13 pixels high.
QFont LogFont();

// The colour and weight of each line style.
QColor LogLineColor(LogLineStyle style);
bool LogLineBold(LogLineStyle style);

// The six formats, made from the log's font.
class LogFormats {
public:
    explicit LogFormats(const QFont& base);
    const QTextCharFormat& Of(LogLineStyle style) const { return formats_[static_cast<std::size_t>(style)]; }

private:
    std::array<QTextCharFormat, 6> formats_;
};

// Appends the line and a line feed at the end of the log in the line's format. A log scrolled to
// its end stays at its end.
void AppendLogLine(QTextEdit& log, const LogLine& line, const LogFormats& formats);

// "Actual requests" follows its lines one change at a time; the view holds `lines` lines, joined
// by line feeds. Where the operator has scrolled the view stays.
void RemoveViewLine(QPlainTextEdit& view, std::size_t row, std::size_t lines);
void AppendViewLine(QPlainTextEdit& view, const std::string& line, std::size_t lines);

// The lines of the document, each followed by CR LF.
std::string LogPlainText(const QTextDocument& document);
// The document as RTF: one paragraph per line with each fragment's font, size, colour and weight.
std::string LogRichText(const QTextDocument& document);

// A name with the default extension (".txt", in any case) is saved as plain text; any other name
// as rich text.
bool SavesAsPlainText(const std::string& fileName);
// Writes the log to the file (a new file renamed over the old one); raises Exception on failure.
void SaveLog(const QTextDocument& document, const std::string& fileName);
