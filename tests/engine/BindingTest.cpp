// Binding of libkrix_interface.so and libChecksum.so by name from a program folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FakeLinkControl.h"
#include "LibraryBinding.h"
#include "StoreTestSupport.h"
#include "fixtures/SimulationFolder.h"

namespace fs = std::filesystem;

TEST(LibraryPath, OneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(LibraryPath("/opt/t", "libx.so"), "/opt/t/libx.so");
    EXPECT_EQ(LibraryPath("/opt/t/", "libx.so"), "/opt/t/libx.so");
}

TEST(LoadKrixInterface, BindsAllTwelveFunctionsOfTheSameLibraryInstance) {
    FakeLink_Reset();
    DynamicLibrary lib;
    KrixLinkFunctions f = LoadKrixInterface(lib, TARVICO_FAKELINK_DIR);
#define KRIX_CHECK(name, ret, args) EXPECT_NE(f.name, nullptr) << #name;
    KRIX_LINK_FUNCTIONS(KRIX_CHECK)
#undef KRIX_CHECK
    // A call through the bound pointer is seen by the control API the test links to.
    EXPECT_TRUE(f.CreateThreadKrix(7, 0));
    ASSERT_EQ(FakeLink_CallCount(), 1);
    FakeLinkCall c;
    ASSERT_TRUE(FakeLink_GetCall(0, &c));
    EXPECT_EQ(c.Fn, FakeLinkCreateThreadKrix);
    EXPECT_EQ(c.Ints[0], 7);
}

TEST(LoadKrixInterface, MissingLibraryNamesThePath) {
    SimulationFolder temp;
    const fs::path empty = temp.MakeFolder("empty");
    DynamicLibrary lib;
    EXPECT_EQ(MessageOf([&] { LoadKrixInterface(lib, empty.string()); }),
              "Cannot find " + (empty / "libkrix_interface.so").string());
    EXPECT_FALSE(lib.IsOpen());
}

TEST(LoadKrixInterface, WaitRxFrameIsBoundWhenTheLibraryHasIt) {
    DynamicLibrary with;
    EXPECT_NE(LoadKrixInterface(with, TARVICO_FAKELINK_DIR).WaitRxFrame, nullptr);
    DynamicLibrary without;
    const KrixLinkFunctions f = LoadKrixInterface(without, TARVICO_FAKELINK_NOWAIT_DIR);
    EXPECT_EQ(f.WaitRxFrame, nullptr) << "optional: no failure";
    EXPECT_NE(f.StatusTransparent, nullptr);
    EXPECT_TRUE(without.IsOpen());
}

TEST(LoadKrixInterface, MissingFunctionIsReportedAndUnloads) {
    DynamicLibrary lib;
    EXPECT_EQ(MessageOf([&] { LoadKrixInterface(lib, TARVICO_FAKELINK_INCOMPLETE_DIR); }),
              "Cannot load all functions from libkrix_interface.so!");
    EXPECT_FALSE(lib.IsOpen());
}

TEST(LoadChecksum, FindsTheRoutinesThatExistAndNoneForTheOthers) {
    DynamicLibrary lib;
    ChecksumRoutine sum = LoadChecksum(lib, TARVICO_FAKELINK_DIR, 1);
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(sum(4, "1a90"), 0xaa);
    ChecksumRoutine x = LoadChecksum(lib, TARVICO_FAKELINK_DIR, 2);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x(4, "1a90"), 0x8a);
    // Every routine the frame-structure table names is there; other numbers find none.
    for (int n : {0, 3, 4}) EXPECT_NE(LoadChecksum(lib, TARVICO_FAKELINK_DIR, n), nullptr) << n;
    for (int missing : {5, 9, 99, -1})
        EXPECT_EQ(LoadChecksum(lib, TARVICO_FAKELINK_DIR, missing), nullptr) << missing;
}

TEST(LoadChecksum, MissingLibraryNamesThePath) {
    SimulationFolder temp;
    const fs::path empty = temp.MakeFolder("empty");
    DynamicLibrary lib;
    EXPECT_EQ(MessageOf([&] { LoadChecksum(lib, empty.string(), 1); }),
              "Cannot find " + (empty / "libChecksum.so").string());
}
