// The driver thread's records and accessors, without its thread.
#include "TKrixThread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(DriverTables, CountsAreClampedToTheirTables) {
    DeviceTables tables;
    tables.setCount(DeviceTables::ParameterCount, 253);
    tables.setCount(DeviceTables::StatusTextCount, 300);
    tables.setCount(DeviceTables::InfoCount, 12);
    EXPECT_EQ(tables.count(DeviceTables::ParameterCount), 160u);
    EXPECT_EQ(tables.count(DeviceTables::StatusTextCount), 255u);
    EXPECT_EQ(tables.count(DeviceTables::InfoCount), 12u);
    tables.counts[DeviceTables::ScannedEcuCount] = 200; // a byte written past the setter
    EXPECT_EQ(tables.count(DeviceTables::ScannedEcuCount), 30u);
    EXPECT_EQ(tables.errors[99].code, -1);
}

TEST(DriverTables, ListAccessorsCopyNoMoreThanTheTablesHold) {
    TKrixThread thread(1, 0);
    thread.withTables([](DeviceTables& t) {
        for (DeviceTables::Count c : {DeviceTables::ParameterCount, DeviceTables::StatusCount, DeviceTables::ErrorCount,
                                      DeviceTables::ActivationCount, DeviceTables::InfoCount,
                                      DeviceTables::ScannedEcuCount})
            t.counts[c] = 255;
        t.parameters[159].id = 0x1234;
        t.infos[99].value[19] = 'z';
    });
    // Arrays of exactly the tables' sizes: AddressSanitizer catches any copy beyond them.
    std::vector<ParameterRecord> parameters(160);
    std::vector<StatusRecord> statuses(160);
    std::vector<ErrorRecord> errors(100);
    std::vector<ActivationRecord> activations(100);
    std::vector<InfoRecord> infos(100);
    std::vector<EcuListRecord> ecus(30);
    int count = 0;
    EXPECT_EQ(thread.getParameterList(parameters.data(), &count), 1);
    EXPECT_EQ(count, 160);
    EXPECT_EQ(parameters[159].id, 0x1234u);
    EXPECT_EQ(thread.getStatusList(statuses.data(), &count), 1);
    EXPECT_EQ(count, 160);
    EXPECT_EQ(thread.getErrorList(errors.data(), &count), 1);
    EXPECT_EQ(count, 100);
    EXPECT_EQ(errors[0].code, -1);
    EXPECT_EQ(thread.getActivationList(activations.data(), &count), 1);
    EXPECT_EQ(count, 100);
    EXPECT_EQ(thread.getInfoList(infos.data(), &count), 1);
    EXPECT_EQ(count, 100);
    EXPECT_EQ(infos[99].value[19], 'z');
    EXPECT_EQ(thread.getEcuList(ecus.data(), &count), 1);
    EXPECT_EQ(count, 30);
}

TEST(DriverTables, AfterAFailedInitialisationTheListsAreNotCopied) {
    TKrixThread thread(1, 0);
    thread.withTables([](DeviceTables& t) { t.setCount(DeviceTables::ParameterCount, 3); });
    thread.setInitError(TKrixThread::InitFailed);
    std::vector<ParameterRecord> out(160);
    std::memset(out.data(), 0xAB, out.size() * sizeof(ParameterRecord));
    const std::vector<ParameterRecord> before = out;
    int count = 77;
    EXPECT_EQ(thread.getParameterList(out.data(), &count), -1);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(std::memcmp(out.data(), before.data(), out.size() * sizeof(ParameterRecord)), 0);
    ErrorRecord e[100];
    EXPECT_EQ(thread.getErrorList(e, &count), -1);
    std::vector<ScanEntry> scan;
    EXPECT_EQ(thread.getScanList(&scan), -1);
    ActivationState state;
    EXPECT_EQ(thread.getScanState(&state), -1);
    thread.startStopAcquisition(1); // clears the init error
    EXPECT_EQ(thread.getParameterList(out.data(), &count), 1);
    EXPECT_EQ(count, 3);
}

TEST(DriverTables, ActivationHandshakes) {
    TKrixThread thread(1, 0);
    EXPECT_EQ(thread.startActivation(), 0);
    EXPECT_EQ(thread.startActivation(), -1);
    EXPECT_EQ(thread.setActivationValue(42), 1);
    EXPECT_EQ(thread.setActivationValue(43), 0);

    ActivationState out;
    out.messageType = 9;
    EXPECT_EQ(thread.getActivationState(&out), 1);
    EXPECT_EQ(out.value, 42u);
    EXPECT_EQ(out.messageType, 9); // every field but the message type is copied
    thread.setActivationState(TKrixThread::ActivationEnded);
    EXPECT_EQ(thread.getActivationState(&out), 0);
    EXPECT_EQ(thread.getActivationState(&out), 1);

    EXPECT_FALSE(thread.takeActivationRequest());
    thread.setEcuLinkState(TKrixThread::LinkAsksActivation);
    EXPECT_TRUE(thread.takeActivationRequest());
    EXPECT_EQ(thread.stepState(), TKrixThread::StepTakeActivation);
    EXPECT_EQ(thread.ecuLinkState(), 0);
    EXPECT_FALSE(thread.takeActivationRequest());
}

TEST(DriverTables, SelectionsWaitWhileAcquisitionRuns) {
    TKrixThread thread(1, 0);
    thread.withTables([](DeviceTables& t) { t.setCount(DeviceTables::ParameterCount, 2); });
    std::vector<ParameterRecord> choice(160);
    choice[0].enabled = 1;
    thread.startStopAcquisition(1);
    EXPECT_EQ(thread.setParameterEnable(choice.data(), 1), 1);
    EXPECT_FALSE(thread.parameterEnableTaken());
    EXPECT_EQ(thread.setParameterEnable(choice.data(), 1), 0);
    thread.startStopAcquisition(1);
    EXPECT_TRUE(thread.parameterEnableTaken());
    EXPECT_EQ(thread.setParameterEnable(choice.data(), 1), 1);

    // Marked as changed only while an activation request is being taken (step state 4).
    thread.startStopAcquisition(1); // takes the pending selection
    thread.startStopAcquisition(0);
    thread.setStepState(TKrixThread::StepTakeActivation);
    choice[1].enabled = 1;
    EXPECT_EQ(thread.setParameterEnable(choice.data(), 0), 1);
    int count = 0;
    std::vector<ParameterRecord> out(160);
    thread.getParameterList(out.data(), &count);
    EXPECT_EQ(out[1].enabled, 1);
    thread.withTables([](DeviceTables& t) {
        EXPECT_EQ(t.parameterChanged[0], 0); // unchanged byte, all = 0: cleared
        EXPECT_EQ(t.parameterChanged[1], 1);
    });
}

TEST(DriverTables, CreationValues) {
    TKrixThread thread(7, 1);
    EXPECT_EQ(thread.comPort(), 7);
    EXPECT_EQ(thread.autoScan(), 1);
    EXPECT_EQ(thread.getStatusCode(), 40);
    EXPECT_EQ(thread.getTransparentState(), 1);
    EXPECT_EQ(thread.programNumber(), 100);
    EXPECT_EQ(thread.letter(), '-');
    EXPECT_EQ(thread.getInitError(), 0);
    std::uint8_t mux[5];
    thread.muxRecord(mux);
    EXPECT_EQ(std::vector<std::uint8_t>(mux, mux + 5), (std::vector<std::uint8_t>{0x20, 0x00, 0x10, 0x00, 0x00}));
    thread.requestInit(1);
    EXPECT_EQ(thread.getInitResult(), 1);
    EXPECT_EQ(thread.setEcuDirectBlock(0x80, 2, 3, 4, 5), 1);
    std::uint32_t words[5];
    EXPECT_TRUE(thread.ecuDirectBlock(words));
    EXPECT_EQ(words[0], 0x80u);
}
