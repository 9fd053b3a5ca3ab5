#include "TableFile.h"

#include "WorkingFiles.h"

bool TableFile::Open(const QString& path) {
    Close();
    if (!WorkingFiles::OpenForReading(file_, path))
        return false;
    size_ = file_.size();
    return true;
}

void TableFile::Close() {
    if (file_.isOpen())
        file_.close();
    size_ = 0;
}

bool TableFile::ReadAt(std::int64_t pos, char* out, std::size_t n) {
    if (!file_.isOpen() || pos < 0 || !file_.seek(pos))
        return false;
    return file_.read(out, static_cast<qint64>(n)) == static_cast<qint64>(n);
}
