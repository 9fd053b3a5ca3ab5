#pragma once
// The traffic log's look and files: the font, colour and weight of its lines, and saving the log
// as plain text or as rich text with its colours.
#include "TrafficLog.h"
#include "TrafficLogLines.h"

#include <QColor>
#include <QFont>

#include <string>

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

// The lines, each followed by CR LF.
std::string LogPlainText(const LogLineStore& lines);
// The lines as RTF: one paragraph per line in the log's font and size with its style's colour and
// weight.
std::string LogRichText(const LogLineStore& lines, const QFont& font);

// A name with the default extension (".txt", in any case) is saved as plain text; any other name
// as rich text.
bool SavesAsPlainText(const std::string& fileName);
// Writes the log to the file (a new file renamed over the old one); raises Exception on failure.
void SaveLog(const LogLineStore& lines, const QFont& font, const std::string& fileName);
