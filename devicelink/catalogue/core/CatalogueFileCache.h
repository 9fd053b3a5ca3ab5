#pragma once
// The stored catalogue files that are read anew at each use (the messages of sources 1 to 4 and
// 10, and the activation view's units and step texts): each kept parsed beside the identity of
// the file it was read from (device, inode, size, modification and change times), and read again
// once the file's identity is another. An unchanged file is so expanded and parsed once, and a
// changed one gives its new texts at the next use, as a fresh read of it would; a file that
// cannot be opened gives an empty table, and the debug line a read wrote is written again at
// each use.
//
// A file written again within the file system's time granularity of its read could keep its
// identity: a table read from a file that had changed less than SettleTime before the read is
// not trusted and the file is read again at its next use, until it has stood unchanged that
// long. When it changed is its change time, which the file system sets at every change; the
// modification time is the writer's to choose (a copy dated in the future is still trusted
// once its change has settled).
//
// It keeps the tables of one folder, the one of the last use: a use in another folder (the
// host switched languages) lets the tables of the previous one go.
//
// No lock of its own: it belongs to the catalogue's state, under the catalogue's lock.
#include "TFixedWidthTables.h"
#include "TTextTable.h"

#include <QString>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace Catalogue {

// What tells one state of a file from another.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity Of(const struct stat& st);
    bool operator==(const FileIdentity& other) const;
};

class CatalogueFileCache {
public:
    using WallClock = std::chrono::system_clock::time_point (*)();
    static constexpr std::chrono::seconds SettleTime{2};

    // The fixed-width item table (param.zip, stati.zip, info.zip, attiva.zip) or the table of
    // one text a line (umis.zip) of the stored file at path, in its present state.
    std::shared_ptr<TItemTextTable> Items(const QString& path);
    std::shared_ptr<TTextTable> Lines(const QString& path);

    // How many times a file was read and parsed.
    int Reads() const { return reads_; }
    // The folders whose files have a table kept.
    std::set<QString> HeldFolders() const;

    // The clock that says how long ago a file changed; nullptr restores the system clock.
    static void SetWallClock(WallClock clock);

private:
    enum class Form { Items, Lines };

    struct Entry {
        FileIdentity identity;
        bool settled = false;
        QByteArray note; // the debug line of the read
        std::shared_ptr<TTextTable> table;
    };

    std::shared_ptr<TTextTable> Table(const QString& path, Form form);
    std::shared_ptr<TTextTable> Read(const QString& path, Form form);

    QString folder_; // the folder of every kept table
    std::map<std::pair<QString, Form>, Entry> entries_;
    int reads_ = 0;
};

} // namespace Catalogue
