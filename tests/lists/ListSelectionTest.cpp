// What the host chooses for the thread to read: enabled bytes of the thread's entries, the
// handshake of a selection made while acquisition runs, the new-lists flag taken once, and the
// acquisition switch.
#include "ListsFixture.h"

using namespace ListsFixture;
using namespace TesterLists;

namespace {

class ListSelection : public ListsTest {
protected:
    void SetUp() override {
        ListsTest::SetUp();
        Tables([](DeviceTables& t) {
            for (std::size_t i = 0; i < 3; ++i) {
                t.parameters[i].enabled = 1;
                t.statuses[i].enabled = 1;
                t.infos[i].enabled = 0;
            }
            t.setCount(DeviceTables::ParameterCount, 3);
            t.setCount(DeviceTables::StatusCount, 3);
            t.setCount(DeviceTables::InfoCount, 3);
        });
    }

    static std::vector<std::uint8_t> ParameterEnables() {
        std::vector<std::uint8_t> e;
        Tables([&](DeviceTables& t) {
            for (std::size_t i = 0; i < t.count(DeviceTables::ParameterCount); ++i)
                e.push_back(t.parameters[i].enabled);
        });
        return e;
    }
};

// A host array of the thread's three entries and nothing beyond them: the thread reads no more.
template <typename Record> std::vector<Record> ThreeWith(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    std::vector<Record> records(3);
    records[0].enabled = a;
    records[1].enabled = b;
    records[2].enabled = c;
    return records;
}

} // namespace

TEST_F(ListSelection, WithoutAcquisitionASelectionIsTakenAtOnce) {
    auto params = ThreeWith<ParameterRecord>(0, 1, 0);
    EXPECT_EQ(ParameterListEnable(params.data(), 0), ResultOk);
    EXPECT_EQ(ParameterEnables(), (std::vector<std::uint8_t>{0, 1, 0}));
    EXPECT_TRUE(WaitListEnable());

    auto infos = ThreeWith<InfoRecord>(1, 0, 1);
    EXPECT_EQ(InfoListEnable(infos.data()), ResultOk);
    Tables([](DeviceTables& t) {
        EXPECT_EQ(t.infos[0].enabled, 1);
        EXPECT_EQ(t.infos[1].enabled, 0);
        EXPECT_EQ(t.infos[2].enabled, 1);
    });
}

TEST_F(ListSelection, WhileAcquisitionRunsASelectionWaitsForTheThread) {
    ASSERT_EQ(StartStop_DataAcquisition(1), ResultOk);
    auto params = ThreeWith<ParameterRecord>(0, 0, 1);
    auto statuses = ThreeWith<StatusRecord>(0, 1, 1);
    EXPECT_EQ(ParameterListEnable(params.data(), 1), ResultOk);
    EXPECT_FALSE(WaitListEnable());
    EXPECT_EQ(StatusListEnable(statuses.data(), 1), ResultOk);
    EXPECT_FALSE(WaitListEnable());

    // A second selection meanwhile changes nothing.
    auto again = ThreeWith<ParameterRecord>(1, 1, 1);
    EXPECT_EQ(ParameterListEnable(again.data(), 1), SelectionPending);
    EXPECT_EQ(StatusListEnable(ThreeWith<StatusRecord>(1, 1, 1).data(), 0), SelectionPending);
    EXPECT_EQ(ParameterEnables(), (std::vector<std::uint8_t>{0, 0, 1}));

    // The thread takes both (in this system a new start of acquisition clears them).
    ASSERT_EQ(StartStop_DataAcquisition(1), ResultOk);
    EXPECT_TRUE(WaitListEnable());
    EXPECT_EQ(ParameterListEnable(again.data(), 0), ResultOk);
    EXPECT_EQ(ParameterEnables(), (std::vector<std::uint8_t>{1, 1, 1}));
}

TEST_F(ListSelection, NewListsAreReportedOnce) {
    EXPECT_FALSE(NewList());
    OnThread([](TKrixThread& t) { t.setNewList(1); });
    EXPECT_TRUE(NewList());
    EXPECT_FALSE(NewList());
    OnThread([](TKrixThread& t) { EXPECT_EQ(t.isNewList(), 0); });
}

TEST_F(ListSelection, AcquisitionStartsAfreshAndStopsThroughTheThreadsLoop) {
    OnThread([](TKrixThread& t) {
        t.setInitError(TKrixThread::InitFailed);
        t.setStepState(TKrixThread::StepTakeActivation);
        t.withTables([](DeviceTables& tables) { tables.scanList = {ScanEntry{1, 5, "ENGINE"}}; });
    });
    ASSERT_EQ(StartStop_DataAcquisition(1), ResultOk);
    OnThread([](TKrixThread& t) {
        EXPECT_EQ(t.acquisitionOn(), 1);
        EXPECT_EQ(t.getInitError(), 0);
        EXPECT_EQ(t.stepState(), 0);
        t.withTables([](DeviceTables& tables) { EXPECT_TRUE(tables.scanList.empty()); });
    });
    // The loop takes the stop request: no device answers on an unopened port, and none is
    // waited for.
    ASSERT_EQ(StartStop_DataAcquisition(0), ResultOk);
    OnThread([](TKrixThread& t) {
        EXPECT_EQ(t.acquisitionOn(), 0);
        EXPECT_FALSE(t.commandRequestPending());
    });
    EXPECT_EQ(LinkExports::DllState(), LinkExports::StateLinkInitialised);
}
