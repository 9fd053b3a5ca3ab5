#pragma once
// Reading the host's choices from its ListRecord and writing a list into it. The record is
// reached byte-wise at the offsets of its layout: a host may keep it packed at any address.
// A list never holds more than the record's 100 entries, and each text is cut to its 70
// characters and terminated.
#include "CallerRecords.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ListRecordAccess {

// The host's choice in one of the index fields (offsetof(ListRecord, makerIndex) and so on).
std::int32_t ReadIndex(const ListRecord* list, std::size_t offset);
inline std::int32_t MakerIndex(const ListRecord* list) { return ReadIndex(list, offsetof(ListRecord, makerIndex)); }
inline std::int32_t FuelIndex(const ListRecord* list) { return ReadIndex(list, offsetof(ListRecord, fuelIndex)); }
inline std::int32_t ModelIndex(const ListRecord* list) { return ReadIndex(list, offsetof(ListRecord, modelIndex)); }
inline std::int32_t VersionIndex(const ListRecord* list) { return ReadIndex(list, offsetof(ListRecord, versionIndex)); }

void WriteCount(ListRecord* list, std::uint32_t count);
// Entry i, cut to the entry's room and terminated.
void WriteEntry(ListRecord* list, std::size_t i, const QString& text);

// How many of n texts a list holds.
inline std::uint32_t ListedCount(std::size_t n) {
    return static_cast<std::uint32_t>(std::min(n, ListRecord::Entries));
}

// Writes the count and then the texts textOf(0), textOf(1), ... of the first entries of n that
// the record holds; returns the count written. textOf is asked only for those.
template <typename TextOf> std::uint32_t FillList(ListRecord* list, std::size_t n, TextOf&& textOf) {
    const std::uint32_t count = ListedCount(n);
    WriteCount(list, count);
    for (std::uint32_t i = 0; i < count; ++i)
        WriteEntry(list, i, textOf(i));
    return count;
}

} // namespace ListRecordAccess
