#pragma once
// Names read from data files that become a part of a path (the language id of codec.ini, the
// maker fault file named by errlist, a note name of the vehicle database). Such a name is only
// ever one file or folder inside the folder it is joined to: a name that could leave that folder
// ("/", "\", ".." or "."), or cut the path short when it reaches the file system (a NUL), or
// holds any other control character, is refused, and the caller treats its file as missing.
#include <QString>

namespace PathPartNames {

// True when the name can stand as one part of a path inside its folder: not empty, no "/" or
// "\", not "." or "..", no NUL or other control character.
bool Usable(const QString& name);

// Usable; a refused name also writes a debug line that tells where it came from (the name itself
// is not printed: it may hold control characters).
bool Checked(const QString& name, const char* where, const char* what);

} // namespace PathPartNames
