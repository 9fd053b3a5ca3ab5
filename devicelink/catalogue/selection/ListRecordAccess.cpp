#include "ListRecordAccess.h"

#include "CallerCopies.h"

#include <cstring>

namespace ListRecordAccess {
namespace {

unsigned char* Bytes(ListRecord* list) { return reinterpret_cast<unsigned char*>(list); }
const unsigned char* Bytes(const ListRecord* list) { return reinterpret_cast<const unsigned char*>(list); }

constexpr std::size_t EntryBytes = sizeof(ListRecord::entries[0]);
static_assert(EntryBytes == ListRecord::EntryUnits * sizeof(char16_t));

} // namespace

std::int32_t ReadIndex(const ListRecord* list, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, Bytes(list) + offset, sizeof value);
    return value;
}

void WriteCount(ListRecord* list, std::uint32_t count) {
    std::memcpy(Bytes(list) + offsetof(ListRecord, count), &count, sizeof count);
}

void WriteEntry(ListRecord* list, std::size_t i, const QString& text) {
    if (i >= ListRecord::Entries)
        return;
    unsigned char* entry = Bytes(list) + offsetof(ListRecord, entries) + i * EntryBytes;
    copyToUnicode(text, reinterpret_cast<std::uint16_t*>(entry), ListRecord::EntryUnits);
}

} // namespace ListRecordAccess
