#include "IdLists.h"

#include "TKrixThread.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t ItemAt(const std::vector<std::uint8_t>& frame, std::size_t i) {
    const std::size_t at = IdList::ItemsOffset + 4 * i;
    return std::uint32_t{frame[at]} << 24 | std::uint32_t{frame[at + 1]} << 16 | std::uint32_t{frame[at + 2]} << 8 |
           frame[at + 3];
}

} // namespace

IdListsRead ReadIdLists(DeviceProtocol& device, const DeviceClock& clock) {
    IdListsRead read;
    for (int r = 0; r < IdList::Rows; ++r) {
        IdListRow& row = read.rows[static_cast<std::size_t>(r)];
        int failures = 0;
        for (;;) {
            const RxResult result = device.transaction(IdList::FirstRow + r, NoParam);
            read.last = result;
            if (result == RECEIVE_OK) {
                const std::vector<std::uint8_t> frame = device.lastReceived();
                const std::size_t total = frame.size();
                const std::size_t n = total > IdList::AnswerOverhead ? (total - IdList::AnswerOverhead) / 4 : 0;
                for (std::size_t i = 0; i < n; ++i)
                    row.items.push_back(ItemAt(frame, i));
                row.accepted = true;
                break;
            }
            failures += result == RECEIVE_TIME_OUT ? IdList::TimeoutWeight : 1;
            if (failures > IdList::GiveUpAbove || clock.stopRequested())
                break;
        }
    }
    return read;
}

void ApplyIdLists(DeviceTables& t, const IdListsRead& lists) {
    using C = DeviceTables;
    // The table of each row; a row that does not count items fills a field of every parameter.
    struct Target {
        C::Count count;
        bool countsItems;
    };
    const Target targets[IdList::Rows] = {{C::ParameterCount, true},  {C::StatusCount, true},
                                          {C::InfoCount, true},       {C::ActivationCount, true},
                                          {C::ParameterCount, false}, {C::ParameterCount, false},
                                          {C::StatusTextCount, true}};
    auto setId = [&](int r, std::size_t i, std::uint32_t id) {
        switch (r) {
        case 0: t.parameters[i].id = id; break;
        case 1: t.statuses[i].id = id; break;
        case 2: t.infos[i].id = id; break;
        case 3: t.activations[i].id = id; break;
        case 4: t.parameters[i].unitId = id; break;
        case 5: t.parameters[i].deviceByte = static_cast<std::uint8_t>(id & 0xFF); break;
        default: t.statusTextIds[i] = id; break;
        }
    };
    for (int r = 0; r < IdList::Rows; ++r) {
        const IdListRow& row = lists.rows[static_cast<std::size_t>(r)];
        const Target& target = targets[r];
        const std::size_t room = C::capacity(target.count);
        if (row.accepted) {
            if (row.items.empty())
                continue;
            const std::size_t n = std::min(row.items.size(), room);
            for (std::size_t i = 0; i < n; ++i)
                setId(r, i, row.items[i]);
            if (target.countsItems)
                t.setCount(target.count, row.items.size());
            continue;
        }
        // Given up: one list entry of id 0, or every parameter's unit or device byte 0.
        if (target.countsItems) {
            t.setCount(target.count, 1);
            setId(r, 0, 0);
        } else {
            for (std::size_t i = 0; i < room; ++i)
                setId(r, i, 0);
        }
    }
    for (ParameterRecord& p : t.parameters)
        p.value = IdList::ValueNotRead;
    for (StatusRecord& s : t.statuses)
        s.valueIndex = IdList::StatusNotRead;
    for (InfoRecord& info : t.infos)
        std::memset(info.value, 0, sizeof info.value);
}

RxResult readIdLists(TKrixThread& thread) {
    const IdListsRead lists = ReadIdLists(thread.device(), thread.deviceClock());
    thread.withTables([&](DeviceTables& tables) { ApplyIdLists(tables, lists); });
    thread.setNewList(1);
    return lists.last;
}
