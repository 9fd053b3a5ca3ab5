#pragma once
// The one way the library opens a file of the working folder for reading (catalogues, codec.ini,
// main.ini, the vehicle tables, notes, scan.txt, the device programs).
//
// The opening never blocks: a named pipe without a writer, a device or a folder in a file's
// place opens at once and is refused, with a debug line, as if the file were missing. Only a
// regular file is read, and never more than one byte past the bound the caller names, so that
// a file that is endless or far too large costs the bound and no more.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace WorkingFiles {

// A file read whole within a bound.
struct Contents {
    // False when the file is missing, cannot be opened or is no regular file.
    bool opened = false;
    // The file's bytes; empty when it holds more than the bound.
    QByteArray bytes;
    // The debug line the read calls for (no regular file, more than the bound), empty when none:
    // the caller writes it, or keeps it to write again each time it hands the bytes out.
    QByteArray note;
    // The opened file's identity, taken before its bytes were read.
    struct stat identity {};
};

// The regular file at path, read up to its end or one byte past limit, whichever comes first.
Contents ReadBounded(const QString& path, qsizetype limit);

// The regular file at path opened for reading into file (which closes it); false, with a debug
// line for what is no regular file, when it is missing or cannot be opened. For the files that
// are read at positions. The QFile knows no file name afterwards: debug lines name the path.
bool OpenForReading(QFile& file, const QString& path);

// The debug line of a file that holds more than limit bytes.
QByteArray TooLargeNote(const QString& path, qsizetype limit);

} // namespace WorkingFiles
