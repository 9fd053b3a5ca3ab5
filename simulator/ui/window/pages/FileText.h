#pragma once
// Texts of the simulation file (descriptions, captions) between the file's 8-bit text and the
// window's strings. The file is Windows code page 1252, so a description read, shown and written
// back keeps its bytes; a character the code page lacks is written as '?'.
#include <QString>

#include <string>

QString FromFileText(const std::string& text);
std::string ToFileText(const QString& text);
