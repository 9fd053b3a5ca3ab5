#include "WorkingFilesOs.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace WorkingFiles::Os {

Opening OpenRegular(const QByteArray& path, int& fd, struct stat& identity) {
    fd = -1;
    // Without O_NONBLOCK a named pipe waits for a writer and some devices for their line; a
    // terminal never becomes the process's own.
    int opened = -1;
    do
        opened = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return Opening::Missing;
    if (::fstat(opened, &identity) != 0) {
        ::close(opened);
        return Opening::Missing;
    }
    if (!S_ISREG(identity.st_mode)) {
        ::close(opened);
        return Opening::NotRegular;
    }
    // Reads of a regular file wait for the disk as usual.
    const int flags = ::fcntl(opened, F_GETFL);
    if (flags < 0 || ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(opened);
        return Opening::Missing;
    }
    fd = opened;
    return Opening::Opened;
}

qsizetype ReadUpTo(int fd, char* out, qsizetype n) {
    qsizetype got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, out + got, static_cast<size_t>(n - got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += r;
    }
    return got;
}

void Close(int fd) { ::close(fd); }

} // namespace WorkingFiles::Os
