#pragma once
// One table file of a vehicle database, open for reading as raw bytes. Every read names its
// position and reads the whole length or nothing usable, so a record cut short by the end of
// the file is never taken for a record.
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

class TableFile {
public:
    TableFile() = default;
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    // The file must be a regular file that opens for reading; a folder, a pipe or a device of
    // that name does not count (and never makes the opening wait). Takes the size the file has
    // now.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }

    // The size taken at the opening; 0 while closed.
    std::int64_t Size() const { return size_; }

    // Reads n bytes at pos; false at a negative position, past the end or on a short read.
    bool ReadAt(std::int64_t pos, char* out, std::size_t n);

private:
    QFile file_;
    std::int64_t size_ = 0;
};
