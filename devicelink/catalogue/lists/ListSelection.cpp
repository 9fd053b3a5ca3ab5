// What the thread reads: the host's enabled bytes, the handshake of a selection that the thread
// applies while acquisition runs, the new-lists flag and the acquisition switch.
#include "DriverGate.h"
#include "HostRecords.h"
#include "TesterLists.h"

#include <cstddef>
#include <vector>

namespace TesterLists {
namespace {

using DriverGate::Needs;
using LinkExports::DriverContext;

// The enabled bytes of the records the thread holds, taken from the host into a whole table of
// our own: the thread reads as many records as it holds, and the host's array need hold no
// more than that.
template <typename Record> std::vector<Record> Enables(TKrixThread& thread, const Record* records,
                                                       DeviceTables::Count which) {
    std::vector<Record> enables(DeviceTables::capacity(which));
    const std::size_t n = thread.withTables([which](DeviceTables& t) { return t.count(which); });
    for (std::size_t i = 0; i < n && i < enables.size(); ++i)
        enables[i].enabled = HostRecords::ReadByte(records, i, offsetof(Record, enabled));
    return enables;
}

template <typename Record, typename Apply>
std::int32_t HandEnables(const Record* records, DeviceTables::Count which, Apply apply) {
    if (records == nullptr)
        return ResultWrongState;
    return DriverGate::Run(Needs::LinkReady, ResultWrongState, [&](TKrixThread& thread, const DriverContext&) {
        const std::vector<Record> enables = Enables(thread, records, which);
        return static_cast<std::int32_t>(apply(thread, enables.data()));
    });
}

} // namespace

std::int32_t ParameterListEnable(const ParameterRecord* records, std::uint8_t all) {
    return HandEnables(records, DeviceTables::ParameterCount,
                       [all](TKrixThread& t, const ParameterRecord* list) { return t.setParameterEnable(list, all); });
}

std::int32_t StatusListEnable(const StatusRecord* records, std::uint8_t all) {
    return HandEnables(records, DeviceTables::StatusCount,
                       [all](TKrixThread& t, const StatusRecord* list) { return t.setStatusEnable(list, all); });
}

std::int32_t InfoListEnable(const InfoRecord* records) {
    return HandEnables(records, DeviceTables::InfoCount,
                       [](TKrixThread& t, const InfoRecord* list) { return t.setInfoEnable(list); });
}

bool WaitListEnable() {
    return DriverGate::Run(Needs::Thread, false, [](TKrixThread& t, const DriverContext&) {
        return t.parameterEnableTaken() && t.statusEnableTaken();
    });
}

bool NewList() {
    return DriverGate::Run(Needs::Thread, false, [](TKrixThread& t, const DriverContext&) { return t.takeNewList(); });
}

std::int32_t StartStop_DataAcquisition(std::uint8_t on) {
    return DriverGate::Run(Needs::LinkReady, ResultWrongState, [on](TKrixThread& t, const DriverContext&) {
        t.startStopAcquisition(on);
        // The gate already asks for DllState 30, which is what a successful switch leaves.
        if (on == 0 && t.requestStop() != 0)
            return ResultWrongState;
        return ResultOk;
    });
}

} // namespace TesterLists
