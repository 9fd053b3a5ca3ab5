#pragma once
// The text form of the library's INI files.
//
// Reading: lines of at most 1023 characters (a longer line is read as several); leading white
// space skipped; empty lines and lines beginning with '#' ignored; "[name" starts a section (the
// closing bracket is optional, the name is lower-cased, not trimmed); "key = value" stores the
// lower-cased key as written (with no section prefix added) in the current section. A value is
// "quoted", 'quoted' or bare (up to the first '#'); trailing white space is removed; a value of
// just two quotes of one kind is the empty text; a key line with no value or only a comment
// after '=' stores nothing. Key lines before the first section are never reachable.
//
// Writing: "[section]" and then "key=value" for each used slot in slot order, no blank lines,
// no comments, no quotes. The file is written beside its place and renamed over it, so a crash
// never leaves half a file.
#include "TIniTables.h"

#include <QString>

#include <memory>

namespace IniFileText {

constexpr qsizetype LineLimit = 1023;
// The most an INI file may hold, far above any real codec.ini or main.ini: a larger (or
// endless) file is not read beyond one byte past it.
constexpr qsizetype FileLimit = 16 * 1024 * 1024;

// How a file was read.
enum class FileRead {
    Read,
    Missing, // missing or cannot be opened
    Refused, // there, but no regular file or more than FileLimit bytes (a debug line says which)
};

// The sections of the file; null when it is missing, cannot be opened, is no regular file or
// holds more than FileLimit bytes. how, when given, tells which.
std::unique_ptr<TIniSectionTable> ParseIniFile(const QString& path, FileRead* how = nullptr);
// The sections of file bytes.
std::unique_ptr<TIniSectionTable> ParseIniText(const QByteArray& text);
// False without a table or a path, or when the file cannot be written.
bool WriteIniFile(const TIniSectionTable* table, const QString& path);

} // namespace IniFileText
