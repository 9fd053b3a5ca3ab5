#pragma once
// The system's side of WorkingFiles: opening without blocking and reading a descriptor.
#include <QByteArray>

#include <sys/stat.h>

namespace WorkingFiles::Os {

enum class Opening { Opened, Missing, NotRegular };

// Opens path for reading without waiting for a writer or a device, takes its identity and
// keeps the descriptor only for a regular file, which then reads as any file does.
Opening OpenRegular(const QByteArray& path, int& fd, struct stat& identity);

// Up to n bytes read into out, fewer only at the end of the file; -1 on an error.
qsizetype ReadUpTo(int fd, char* out, qsizetype n);

void Close(int fd);

} // namespace WorkingFiles::Os
