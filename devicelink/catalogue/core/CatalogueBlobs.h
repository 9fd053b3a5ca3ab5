#pragma once
// The stored forms of the catalogue files, expanded in memory (nothing is written into or
// deleted from the language folder).
//
// - Compressed form (every .zip of the catalogue but the fault files): bytes 0 to 3 hold the
//   expanded length, unsigned 32-bit big-endian; from byte 4 follows a zlib stream (Qt's
//   qCompress form). The length is only a hint for the first allocation, capped, so a hostile
//   length never makes the library allocate gigabytes; the data decide the result: the stream
//   must reach its end (what follows it is not read).
// - No file expands to more than MaxExpandedBytes: the expansion stops as soon as it would pass
//   it, so a small file that zlib expands a thousandfold costs no more than the bound, and the
//   file counts as one that does not expand (a debug line says why).
// - Scrambled form (errsae.zip and the maker fault files): byte 0 is the file key; the rest is a
//   compressed-form blob whose every byte b was stored as rotl1(b XOR fileKey). The expanded bytes
//   hold the text reversed, every byte c stored as rotl1(c) XOR CatalogueKey.
//
// Data that do not expand (short, corrupt) give the empty text and a debug line, and so does a
// text for which no room can be had (the system is short of memory): the file's own table is
// empty, every other one loads as always.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace CatalogueBlobs {

// The one key of every scrambled catalogue file of an installation.
constexpr std::uint8_t CatalogueKey = 0x6B;

// The expanded-length hint never reserves more than this at once.
constexpr qsizetype MaxLengthHint = 16 * 1024 * 1024;
// The most text one catalogue file may hold, far above any real catalogue.
constexpr qsizetype MaxExpandedBytes = 64 * 1024 * 1024;
// The most a stored file may hold: its text at the bound, stored without compression, with
// zlib's few bytes a block.
constexpr qsizetype MaxStoredBytes = MaxExpandedBytes + MaxExpandedBytes / 16;

std::uint8_t RotateRight1(std::uint8_t b);
std::uint8_t RotateLeft1(std::uint8_t b);

// Bytes with the debug line that reading or expanding them had to write (empty when none),
// for callers that keep the bytes and write the line again each time they hand them out.
struct Noted {
    QByteArray bytes;
    QByteArray note;
    bool outOfMemory = false; // no room for the expanded text could be had: the file may be fine
};
// Writes the note, if any, as a debug line.
void WriteNote(const QByteArray& note);

// The compressed form expanded; empty when it does not expand. name goes into the debug line.
QByteArray Expand(const QByteArray& blob, const QString& name);
// The same, with the debug line given back instead of written.
Noted ExpandNoted(const QByteArray& blob, const QString& name);
// The scrambled form unscrambled, expanded and put back in order; empty when it does not expand.
QByteArray ExpandScrambled(const QByteArray& file, std::uint8_t key, const QString& name);

// Called before every allocation of room for an expanded text, with the room's size: a hook
// that throws std::bad_alloc stands for an allocation that fails (the tests' way to a system
// short of memory). nullptr, the default: none.
using RoomHook = void (*)(qsizetype bytes);
void SetRoomHook(RoomHook hook);

// The file's expanded bytes; none when the file cannot be opened.
std::optional<QByteArray> ExpandCatalogueFile(const QString& source);
std::optional<QByteArray> ExpandScrambledFile(const QString& source, std::uint8_t key);

// The file's bytes as they are; none when it cannot be opened. A file of more than limit bytes
// reads as empty (a debug line says why).
std::optional<QByteArray> ReadWholeFile(const QString& path, qsizetype limit);

} // namespace CatalogueBlobs
