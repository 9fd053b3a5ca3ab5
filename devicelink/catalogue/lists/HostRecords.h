#pragma once
// The host's arrays of records, reached byte-wise at the offsets of their layout: a host may
// keep them packed at any address. A record is read whole into an aligned copy, changed there
// and written back whole, so whatever the call does not fill stays as the host had it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace HostRecords {

template <typename Record> Record Read(const Record* array, std::size_t i) {
    static_assert(std::is_trivially_copyable_v<Record>);
    Record r;
    std::memcpy(&r, reinterpret_cast<const unsigned char*>(array) + i * sizeof(Record), sizeof r);
    return r;
}

template <typename Record> void Write(Record* array, std::size_t i, const Record& r) {
    static_assert(std::is_trivially_copyable_v<Record>);
    std::memcpy(reinterpret_cast<unsigned char*>(array) + i * sizeof(Record), &r, sizeof r);
}

// One byte of record i at the given offset.
template <typename Record> std::uint8_t ReadByte(const Record* array, std::size_t i, std::size_t offset) {
    return reinterpret_cast<const unsigned char*>(array)[i * sizeof(Record) + offset];
}

inline void WriteCount(std::int32_t* count, std::int32_t n) { std::memcpy(count, &n, sizeof n); }

} // namespace HostRecords
