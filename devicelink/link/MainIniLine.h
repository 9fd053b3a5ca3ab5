#pragma once
// The one line of main.ini that the device link writes: after a successful port scan, the
// configured COM port number in section "Public", key "comport", in the form the library's INI
// store reads back: the section line "[public]" and the key line "public_comport=<n>".
//
// A missing file is created with exactly those two lines. An existing file keeps every other
// line; a key line of that full key in the section is replaced, else the line is added after
// the section line (the section is added at the end when missing). The file is written to a
// temporary file beside it and renamed over it, so a crash never leaves half a file.
#include <QString>

// "main.ini" in the working folder unless a test named another file.
QString MainIniPath();
void SetMainIniPath(const QString& path); // empty: back to "main.ini"

bool WriteMainIniComPort(const QString& path, int comPort);
