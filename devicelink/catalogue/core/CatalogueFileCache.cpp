#include "CatalogueFileCache.h"

#include "CatalogueBlobs.h"
#include "WorkingFiles.h"

#include <QFile>

#include <atomic>
#include <optional>

namespace Catalogue {
namespace {

std::atomic<CatalogueFileCache::WallClock> wallClock{nullptr};

std::chrono::system_clock::time_point Now() {
    const CatalogueFileCache::WallClock clock = wallClock.load();
    return clock != nullptr ? clock() : std::chrono::system_clock::now();
}

std::chrono::system_clock::time_point TimeOf(const timespec& t) {
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

std::optional<FileIdentity> IdentityOfPath(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity::Of(st);
}

// The folder part of a file's path, up to its last slash ("text/ita/param.zip": "text/ita/").
QStringView FolderOf(const QString& path) { return QStringView(path).left(path.lastIndexOf(u'/') + 1); }

std::shared_ptr<TTextTable> EmptyTable(bool items) {
    if (items)
        return std::make_shared<TItemTextTable>();
    auto lines = std::make_shared<TTextTable>();
    lines->SetDirectIndex(true);
    return lines;
}

} // namespace

FileIdentity FileIdentity::Of(const struct stat& st) {
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    id.changed = st.st_ctim;
    return id;
}

bool FileIdentity::operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed);
}

void CatalogueFileCache::SetWallClock(WallClock clock) { wallClock.store(clock); }

std::set<QString> CatalogueFileCache::HeldFolders() const {
    std::set<QString> folders;
    for (const auto& [key, entry] : entries_)
        folders.insert(FolderOf(key.first).toString());
    return folders;
}

std::shared_ptr<TItemTextTable> CatalogueFileCache::Items(const QString& path) {
    return std::static_pointer_cast<TItemTextTable>(Table(path, Form::Items));
}

std::shared_ptr<TTextTable> CatalogueFileCache::Lines(const QString& path) { return Table(path, Form::Lines); }

std::shared_ptr<TTextTable> CatalogueFileCache::Table(const QString& path, Form form) {
    // A host may switch the language folder between messages (InitDbText names it too): the
    // tables of the folder it left go, so that the cache never holds more than one language.
    const QStringView folder = FolderOf(path);
    if (folder != folder_) {
        entries_.clear();
        folder_ = folder.toString();
    }
    const auto it = entries_.find({path, form});
    if (it != entries_.end() && it->second.settled) {
        const std::optional<FileIdentity> now = IdentityOfPath(path);
        if (now && *now == it->second.identity) {
            CatalogueBlobs::WriteNote(it->second.note);
            return it->second.table;
        }
    }
    return Read(path, form);
}

std::shared_ptr<TTextTable> CatalogueFileCache::Read(const QString& path, Form form) {
    entries_.erase({path, form});
    std::shared_ptr<TTextTable> table = EmptyTable(form == Form::Items);
    // The identity is taken before the bytes are read: a change while they are read shows at
    // the next use.
    WorkingFiles::Contents read = WorkingFiles::ReadBounded(path, CatalogueBlobs::MaxStoredBytes);
    if (!read.opened) {
        CatalogueBlobs::WriteNote(read.note);
        return table;
    }
    ++reads_;
    const struct stat st = read.identity;
    Entry entry;
    entry.identity = FileIdentity::Of(st);
    entry.note = read.note;
    bool shortOfMemory = false;
    if (read.note.isEmpty()) {
        CatalogueBlobs::Noted expanded = CatalogueBlobs::ExpandNoted(read.bytes, path);
        read.bytes = QByteArray();
        entry.note = expanded.note;
        shortOfMemory = expanded.outOfMemory;
        table->LoadBytes(expanded.bytes);
    }
    CatalogueBlobs::WriteNote(entry.note);
    // The change time says when the file last changed: the file system sets it at every write,
    // rename and change of times, from its own clock. The modification time is whatever the
    // writer chose (an archive or a copy keeps the original's, which may lie in the future).
    // A text that memory was short for is not the file's: it is read again at its next use.
    entry.settled = !shortOfMemory && Now() - TimeOf(st.st_ctim) >= SettleTime;
    entry.table = table;
    entries_.emplace(std::make_pair(path, form), std::move(entry));
    return table;
}

} // namespace Catalogue
