#pragma once
// The device's identifier lists (request rows 14 to 20: parameters, statuses, info items,
// activations, parameter units, parameter device bytes, status texts), read once the device
// program runs outside transparent mode.
//
// Each row is asked until it is accepted or its failure count exceeds 30 (a time-out adds 11,
// another failure 1); a row given up takes defaults. An answer of total length L carries
// (L - 11) / 4 items of four bytes, most significant first. Items beyond a table's size are
// dropped; an answer without items leaves the row's count as it was.
#include "DeviceProtocol.h"
#include "DeviceTables.h"
#include "ValueMarkers.h"

#include <array>
#include <cstdint>
#include <vector>

class TKrixThread;

namespace IdList {
constexpr int FirstRow = 14;
constexpr int Rows = 7;
constexpr int GiveUpAbove = 30;
constexpr int TimeoutWeight = 11;
constexpr std::size_t ItemsOffset = 9;
constexpr std::size_t AnswerOverhead = 11;
constexpr float ValueNotRead = ValueMarkers::ValueNotRead; // every parameter value until it is read
constexpr std::uint32_t StatusNotRead = 0xFFFFFFFF;
} // namespace IdList

struct IdListRow {
    bool accepted = false; // false: given up
    std::vector<std::uint32_t> items;
};

struct IdListsRead {
    std::array<IdListRow, IdList::Rows> rows; // rows 14 to 20 in order
    RxResult last = RECEIVE_ERR;              // the last transaction (row 20)
};

// Asks the device for the seven lists.
IdListsRead ReadIdLists(DeviceProtocol& device, const DeviceClock& clock);
// Enters what was read into the tables, then resets the values to their not-read markers.
void ApplyIdLists(DeviceTables& tables, const IdListsRead& lists);
// Both on the thread's device and tables; the new-lists byte := 1. The last transaction's result.
RxResult readIdLists(TKrixThread& thread);
