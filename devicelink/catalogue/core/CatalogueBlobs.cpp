#include "CatalogueBlobs.h"

#include "WorkingFiles.h"

#include <sys/mman.h>
#include <zlib.h>

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

namespace CatalogueBlobs {
namespace {

constexpr qsizetype LengthFieldSize = 4;
// zlib never expands a byte to more than about this many.
constexpr qsizetype MaxDeflateRatio = 1032;
// The smallest step of growth once the first room is full.
constexpr qsizetype MinGrowth = 64 * 1024;
// Room left over at the end that is given back.
constexpr qsizetype SlackKept = 4096;
constexpr qsizetype MaxZlibPiece = std::numeric_limits<uInt>::max();

quint32 LengthHint(const QByteArray& blob) {
    const auto* b = reinterpret_cast<const unsigned char*>(blob.constData());
    return (quint32{b[0]} << 24) | (quint32{b[1]} << 16) | (quint32{b[2]} << 8) | quint32{b[3]};
}

std::atomic<RoomHook> roomHook{nullptr};

// Room of size bytes for the expanded text.
QByteArray Room(qsizetype bytes) {
    if (const RoomHook hook = roomHook.load())
        hook(bytes);
    return QByteArray(bytes, Qt::Uninitialized);
}

constexpr std::uintptr_t HugePage = 2 * 1024 * 1024;

// A large text is taken in huge pages where the system allows it: a page fault costs as much
// for 2 MiB as for 4 KiB, and a catalogue's text is written whole at once.
void AdviseHugePages(QByteArray& text) {
    const auto first = reinterpret_cast<std::uintptr_t>(text.data());
    const std::uintptr_t begin = (first + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t end = (first + static_cast<std::uintptr_t>(text.size())) & ~(HugePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

enum class Inflated { Whole, Corrupt, TooLarge, NoMemory };

// The expansion's loop: out grows as the stream needs, produced counts what it holds.
Inflated InflateInto(z_stream& z, const char* in, qsizetype inSize, qsizetype room, QByteArray& out,
                     qsizetype& produced) {
    constexpr qsizetype Ceiling = MaxExpandedBytes + 1;
    out = Room(std::clamp<qsizetype>(room, 1, Ceiling));
    AdviseHugePages(out);
    qsizetype fed = 0;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() == Ceiling)
                return Inflated::TooLarge;
            // A new room and a copy rather than a reallocation: moving huge pages may copy them
            // behind the scenes and hold both rooms whole.
            QByteArray larger = Room(std::min(Ceiling, out.size() + std::max(out.size(), MinGrowth)));
            AdviseHugePages(larger);
            std::memcpy(larger.data(), out.constData(), static_cast<std::size_t>(produced));
            out = std::move(larger);
        }
        if (z.avail_in == 0 && fed < inSize) {
            const qsizetype piece = std::min(inSize - fed, MaxZlibPiece);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in + fed));
            z.avail_in = static_cast<uInt>(piece);
            fed += piece;
        }
        const qsizetype space = std::min(out.size() - produced, MaxZlibPiece);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        z.avail_out = static_cast<uInt>(space);
        const int r = inflate(&z, Z_NO_FLUSH);
        produced += space - static_cast<qsizetype>(z.avail_out);
        if (r == Z_STREAM_END)
            return produced == Ceiling ? Inflated::TooLarge : Inflated::Whole;
        // Without room zlib stops for more of it; with room and nothing left to feed the
        // stream was cut short.
        const bool wantsRoom = (r == Z_OK || r == Z_BUF_ERROR) && z.avail_out == 0;
        const bool wantsInput = r == Z_OK && (z.avail_in > 0 || fed < inSize);
        if (!wantsRoom && !wantsInput)
            return Inflated::Corrupt;
    }
}

// The zlib stream of in expanded into out, first into room bytes, then growing up to one byte
// past the bound: reaching that byte is the proof that the text is too large. Room that cannot
// be had ends the expansion as NoMemory, with everything given back.
Inflated Inflate(const char* in, qsizetype inSize, qsizetype room, QByteArray& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return Inflated::Corrupt;
    Inflated result = Inflated::Corrupt;
    qsizetype produced = 0;
    try {
        result = InflateInto(z, in, inSize, room, out, produced);
    } catch (const std::bad_alloc&) {
        result = Inflated::NoMemory;
    }
    inflateEnd(&z);
    if (result != Inflated::Whole) {
        out = QByteArray();
        return result;
    }
    out.resize(produced);
    if (out.capacity() - produced > produced / 8 + SlackKept) {
        // Giving the slack back takes a smaller room and a copy; without one the text stays
        // where it is.
        try {
            out.squeeze();
        } catch (const std::bad_alloc&) {
        }
    }
    return result;
}

} // namespace

std::uint8_t RotateRight1(std::uint8_t b) { return static_cast<std::uint8_t>((b >> 1) | ((b & 1u) << 7)); }

std::uint8_t RotateLeft1(std::uint8_t b) { return static_cast<std::uint8_t>((b << 1) | (b >> 7)); }

void SetRoomHook(RoomHook hook) { roomHook.store(hook); }

void WriteNote(const QByteArray& note) {
    if (!note.isEmpty())
        qDebug("%s", note.constData());
}

namespace {

Noted OutOfMemory(const QByteArray& file) {
    Noted n{QByteArray(), "main: catalogue: Expand: " + file + " cannot be expanded: out of memory"};
    n.outOfMemory = true;
    return n;
}

} // namespace

Noted ExpandNoted(const QByteArray& blob, const QString& name) {
    const QByteArray file = name.toLocal8Bit();
    if (blob.size() < LengthFieldSize)
        return {QByteArray(), "main: catalogue: Expand: " + file + " is too short to expand (" +
                                  QByteArray::number(blob.size()) + " bytes)"};
    const quint32 hint = LengthHint(blob);
    const qsizetype streamSize = blob.size() - LengthFieldSize;
    Noted expanded;
    if (streamSize > 0) {
        // Only the first allocation follows the hint: a larger text still expands whole.
        const qsizetype room = std::min({static_cast<qsizetype>(hint), MaxLengthHint,
                                         streamSize * MaxDeflateRatio}) + 1;
        switch (Inflate(blob.constData() + LengthFieldSize, streamSize, room, expanded.bytes)) {
        case Inflated::TooLarge:
            return {QByteArray(), "main: catalogue: Expand: " + file + " expands to more than " +
                                      QByteArray::number(MaxExpandedBytes) + " bytes: refused"};
        case Inflated::NoMemory: return OutOfMemory(file);
        case Inflated::Whole:
        case Inflated::Corrupt: break;
        }
    }
    // Four zero bytes alone are the form of the empty text.
    if (expanded.bytes.isEmpty() && (hint != 0 || streamSize > 0))
        expanded.note = "main: catalogue: Expand: " + file + " does not expand";
    return expanded;
}

QByteArray Expand(const QByteArray& blob, const QString& name) {
    Noted expanded = ExpandNoted(blob, name);
    WriteNote(expanded.note);
    return std::move(expanded.bytes);
}

QByteArray ExpandScrambled(const QByteArray& file, std::uint8_t key, const QString& name) {
    if (file.isEmpty()) {
        qDebug("main: catalogue: ExpandScrambled: %s is empty", qPrintable(name));
        return QByteArray();
    }
    const auto fileKey = static_cast<std::uint8_t>(file.at(0));
    QByteArray body;
    try {
        body = file.mid(1);
    } catch (const std::bad_alloc&) {
        WriteNote(OutOfMemory(name.toLocal8Bit()).note);
        return QByteArray();
    }
    for (char& b : body)
        b = static_cast<char>(RotateRight1(static_cast<std::uint8_t>(b)) ^ fileKey);
    QByteArray text = Expand(body, name);
    body = QByteArray();
    for (char& c : text)
        c = static_cast<char>(RotateRight1(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ key)));
    std::reverse(text.begin(), text.end());
    return text;
}

std::optional<QByteArray> ReadWholeFile(const QString& path, qsizetype limit) {
    WorkingFiles::Contents read = WorkingFiles::ReadBounded(path, limit);
    WriteNote(read.note);
    if (!read.opened)
        return std::nullopt;
    return std::move(read.bytes);
}

namespace {

// The file's bytes through expand; none when it cannot be opened, empty when it is refused.
template <typename F> std::optional<QByteArray> ExpandFile(const QString& path, F expand) {
    WorkingFiles::Contents read = WorkingFiles::ReadBounded(path, MaxStoredBytes);
    WriteNote(read.note);
    if (!read.opened)
        return std::nullopt;
    if (!read.note.isEmpty())
        return QByteArray();
    return expand(std::move(read.bytes));
}

} // namespace

std::optional<QByteArray> ExpandCatalogueFile(const QString& source) {
    return ExpandFile(source, [&](const QByteArray& blob) { return Expand(blob, source); });
}

std::optional<QByteArray> ExpandScrambledFile(const QString& source, std::uint8_t key) {
    return ExpandFile(source, [&](const QByteArray& blob) { return ExpandScrambled(blob, key, source); });
}

} // namespace CatalogueBlobs
