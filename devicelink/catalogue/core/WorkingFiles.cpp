#include "WorkingFiles.h"

#include "WorkingFilesOs.h"

#include <QtGlobal>

#include <algorithm>

namespace WorkingFiles {
namespace {

QByteArray NotRegularNote(const QString& path) {
    return "main: catalogue: " + path.toLocal8Bit() + " is not a regular file: taken as missing";
}

} // namespace

QByteArray TooLargeNote(const QString& path, qsizetype limit) {
    return "main: catalogue: " + path.toLocal8Bit() + " holds more than " + QByteArray::number(limit) +
           " bytes: refused";
}

Contents ReadBounded(const QString& path, qsizetype limit) {
    Contents c;
    int fd = -1;
    switch (Os::OpenRegular(QFile::encodeName(path), fd, c.identity)) {
    case Os::Opening::Missing:
        return c;
    case Os::Opening::NotRegular:
        c.note = NotRegularNote(path);
        return c;
    case Os::Opening::Opened:
        break;
    }
    c.opened = true;
    if (c.identity.st_size > limit) {
        Os::Close(fd);
        c.note = TooLargeNote(path, limit);
        return c;
    }
    // Room for the size the file has now and one byte more: reaching that byte shows a file
    // that grew since, which then grows its room up to one byte past the bound.
    const qsizetype ceiling = limit + 1;
    QByteArray bytes(std::min<qsizetype>(c.identity.st_size, limit) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        const qsizetype r = Os::ReadUpTo(fd, bytes.data() + got, bytes.size() - got);
        if (r < 0) {
            Os::Close(fd);
            c.opened = false;
            c.note = "main: catalogue: " + path.toLocal8Bit() + " cannot be read";
            return c;
        }
        got += r;
        if (got < bytes.size() || bytes.size() == ceiling)
            break;
        bytes.resize(std::min(ceiling, 2 * bytes.size()));
    }
    Os::Close(fd);
    if (got > limit) {
        c.note = TooLargeNote(path, limit);
        return c;
    }
    bytes.truncate(got);
    c.bytes = std::move(bytes);
    return c;
}

bool OpenForReading(QFile& file, const QString& path) {
    int fd = -1;
    struct stat identity {};
    switch (Os::OpenRegular(QFile::encodeName(path), fd, identity)) {
    case Os::Opening::Missing:
        return false;
    case Os::Opening::NotRegular:
        qDebug("%s", NotRegularNote(path).constData());
        return false;
    case Os::Opening::Opened:
        break;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        Os::Close(fd);
        return false;
    }
    return true;
}

} // namespace WorkingFiles
