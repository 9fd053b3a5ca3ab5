// Every list, enable, acquisition and scan function in every DllState, for a generic and another
// program, with and without the catalogues and with and without a driver thread: what passes its
// gate answers and writes, what does not answers its refusal and leaves the host's memory as it
// was.
#include "ListsFixture.h"

#include <functional>
#include <string>

using namespace ListsFixture;
using namespace TesterLists;

namespace {

enum class Gate { LinkAndTexts, Link, Thread };

// What one call answered and whether it changed the host's memory.
struct Outcome {
    std::int32_t result;
    bool wrote;
};

template <typename Record, typename Call> Outcome OnHost(std::size_t n, Call call) {
    HostArray<Record> host(n);
    const auto before = host.bytes();
    const std::int32_t r = call(host);
    return {r, host.bytes() != before};
}

struct Export {
    const char* name;
    Gate gate;
    std::int32_t refused;
    // The answer past the gate, for the program.
    std::function<std::int32_t(std::int32_t program)> passed;
    // Whether a call past the gate writes into the host's memory.
    std::function<bool(std::int32_t program)> writes;
    std::function<Outcome()> call;
};

const auto Always = [](std::int32_t value) { return [value](std::int32_t) { return value; }; };
const auto Writes = [](bool w) { return [w](std::int32_t) { return w; }; };
const auto ForGeneric = [](std::int32_t program) { return program == GenericProgram; };

const std::vector<Export>& Exports() {
    static const std::vector<Export> exports = {
        {"ErrorList", Gate::LinkAndTexts, ResultWrongState, Always(ResultOk), Writes(true),
         [] { return OnHost<ErrorRecord>(100, [](auto& h) { return ErrorList(h.get(), h.count()); }); }},
        {"ParameterList", Gate::LinkAndTexts, ResultWrongState, Always(ResultOk), Writes(true),
         [] { return OnHost<ParameterRecord>(160, [](auto& h) { return ParameterList(h.get(), h.count(), 1); }); }},
        {"StatusList", Gate::LinkAndTexts, ResultWrongState, Always(ResultOk), Writes(true),
         [] { return OnHost<StatusRecord>(160, [](auto& h) { return StatusList(h.get(), h.count(), 1); }); }},
        {"InfoList", Gate::LinkAndTexts, ResultWrongState, Always(ResultOk), Writes(true),
         [] { return OnHost<InfoRecord>(100, [](auto& h) { return InfoList(h.get(), h.count(), 1); }); }},
        {"EcuList", Gate::LinkAndTexts, ResultWrongState,
         [](std::int32_t p) { return p == GenericProgram ? ResultOk : ResultLinkFailed; }, ForGeneric,
         [] { return OnHost<EcuListRecord>(30, [](auto& h) { return EcuList(h.get(), h.count()); }); }},
        {"ParameterListEnable", Gate::Link, ResultWrongState, Always(ResultOk), Writes(false),
         [] { return OnHost<ParameterRecord>(160, [](auto& h) { return ParameterListEnable(h.get(), 1); }); }},
        {"StatusListEnable", Gate::Link, ResultWrongState, Always(ResultOk), Writes(false),
         [] { return OnHost<StatusRecord>(160, [](auto& h) { return StatusListEnable(h.get(), 1); }); }},
        {"InfoListEnable", Gate::Link, ResultWrongState, Always(ResultOk), Writes(false),
         [] { return OnHost<InfoRecord>(100, [](auto& h) { return InfoListEnable(h.get()); }); }},
        {"StartStop_DataAcquisition", Gate::Link, ResultWrongState, Always(ResultOk), Writes(false),
         [] { return Outcome{StartStop_DataAcquisition(1), false}; }},
        {"WaitListEnable", Gate::Thread, 0, Always(1), Writes(false), [] { return Outcome{WaitListEnable(), false}; }},
        {"NewList", Gate::Thread, 0, Always(1), Writes(false), [] { return Outcome{NewList(), false}; }},
        {"StartStopScanEcu", Gate::Thread, 0, Always(1), Writes(false),
         [] { return Outcome{StartStopScanEcu(1), false}; }},
        {"ScanEcuList", Gate::Thread, 0, Always(1), Writes(true),
         [] { return OnHost<ListRecord>(1, [](auto& h) { return ScanEcuList(h.get()); }); }},
        {"GetEcuScanMessages", Gate::Thread, 0, Always(1), Writes(true), [] {
             HostArray<std::uint16_t> text(ScanMessageUnits);
             const auto before = text.bytes();
             const bool r = GetEcuScanMessages(text.get());
             return Outcome{r, text.bytes() != before};
         }},
    };
    return exports;
}

// One entry in every table the exports read, the new-lists flag raised, no selection pending
// and acquisition off: what an initialisation leaves.
void FillTables(TKrixThread& t) {
    t.startStopAcquisition(1);
    t.startStopAcquisition(0);
    t.withTables([](DeviceTables& tables) {
        tables.errors[0] = ErrorRecord{0, 1, {}, 0x0123, 0, 0, {}, {}, {}};
        tables.parameters[0].id = SpeedId;
        tables.statuses[0].id = SwitchId;
        tables.infos[0].id = 40;
        tables.scannedEcus[0] = ScannedEcu{{0x10, 0, 0x02, 0x05}};
        for (auto which : {DeviceTables::ErrorCount, DeviceTables::ParameterCount, DeviceTables::StatusCount,
                           DeviceTables::InfoCount, DeviceTables::ScannedEcuCount})
            tables.setCount(which, 1);
        tables.scanList = {ScanEntry{1, 5, "ENGINE"}};
    });
    t.setNewList(1);
}

bool Passes(Gate gate, bool thread, bool texts, std::uint8_t dllState) {
    if (!thread)
        return false;
    switch (gate) {
    case Gate::LinkAndTexts: return dllState == LinkExports::StateLinkInitialised && texts;
    case Gate::Link: return dllState == LinkExports::StateLinkInitialised;
    case Gate::Thread: return true;
    }
    return false;
}

class GateMatrix : public ListsTest {};

} // namespace

TEST_F(GateMatrix, EveryExportInEveryStateAnswersAsItsGateSays) {
    for (const bool thread : {true, false}) {
        if (!thread) {
            ASSERT_TRUE(LinkExports::DeleteThreadKrix());
        }
        for (const bool texts : {true, false}) {
            if (texts)
                LoadTexts();
            else
                Catalogue::ReleaseCatalogue();
            for (const std::uint8_t dllState : {LinkExports::StateNoThread, LinkExports::StateThreadOrEcu,
                                                LinkExports::StateLinkInitialised}) {
                for (const std::int32_t program : {GenericProgram, AnyProgram}) {
                    LinkExports::SetStateForTests(dllState, program);
                    for (const Export& e : Exports()) {
                        SCOPED_TRACE(std::string(e.name) + (thread ? " thread" : " no thread") +
                                     (texts ? " texts" : " no texts") + " DllState " + std::to_string(dllState) +
                                     " program " + std::to_string(program));
                        if (thread)
                            OnThread([](TKrixThread& t) { FillTables(t); });
                        const Outcome o = e.call();
                        const bool passes = Passes(e.gate, thread, texts, dllState);
                        EXPECT_EQ(o.result, passes ? e.passed(program) : e.refused);
                        EXPECT_EQ(o.wrote, passes && e.writes(program));
                    }
                }
            }
        }
    }
}
