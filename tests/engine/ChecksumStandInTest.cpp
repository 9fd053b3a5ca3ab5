// The stand-in checksum library's routines, called directly. Kept apart from the binding tests:
// a program linked against both this library (in bin/) and the fake link library would find
// the real libkrix_interface.so of bin/ before the fake one.
#include <gtest/gtest.h>

#include <string>

#include "Checksum.h"

TEST(ChecksumStandIn, CoversExactlyTheCountAndStopsAtTheText) {
    struct Case {
        const char* text;
        int count;
        int sum;
        int xr;
    } cases[] = {
        {"1a90", 2, 0x1a, 0x1a},       // count limits the bytes
        {"1a90", 3, 0x1a, 0x1a},       // an odd trailing digit is ignored
        {"1a90", 40, 0xaa, 0x8a},      // a count beyond the text stops at its end
        {"ffff01", 6, 0xff, 0x01},     // the sum wraps at 8 bits
        {"", 0, 0, 0},
        {"8110f13e", 8, 0xc0, 0x5e},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckSumComposer_1(c.count, c.text), c.sum) << c.text << " " << c.count;
        EXPECT_EQ(CheckSumComposer_2(c.count, c.text), c.xr) << c.text << " " << c.count;
    }
    for (CheckSumComposerFn routine : {CheckSumComposer_0, CheckSumComposer_1, CheckSumComposer_2,
                                       CheckSumComposer_3, CheckSumComposer_4})
        EXPECT_EQ(routine(4, nullptr), routine(0, "")) << "no text is the empty text";
}

// The published check values of each algorithm: "123456789" in ASCII and the test vectors of the
// AUTOSAR CRC library for the two CRC-8 variants.
TEST(ChecksumStandIn, EveryRoutineComputesItsDocumentedAlgorithm) {
    struct Case {
        const char* text;
        int negatedSum; // routine 0
        int sum;        // routine 1
        int xr;         // routine 2
        int crcJ1850;   // routine 3
        int crcH2F;     // routine 4
    } cases[] = {
        {"313233343536373839", 0x23, 0xdd, 0x31, 0x4b, 0xdf},
        {"00000000", 0x00, 0x00, 0x00, 0x59, 0x12},
        {"f20183", 0x8a, 0x76, 0x70, 0x37, 0xc2},
        {"0faa0055", 0xf2, 0x0e, 0xf0, 0x79, 0xc6},
        {"00ff5511", 0x9b, 0x65, 0xbb, 0xb8, 0x77},
        {"332255aabbccddeeff", 0x5b, 0xa5, 0x55, 0xcb, 0x11},
        {"926b55", 0xae, 0x52, 0xac, 0x8c, 0x33},
        {"FFFFFFFF", 0x04, 0xfc, 0x00, 0x74, 0x6c}, // upper-case digits read the same
        {"", 0x00, 0x00, 0x00, 0x00, 0x00},         // CRCs: initial value and final XOR cancel
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(std::char_traits<char>::length(c.text));
        EXPECT_EQ(CheckSumComposer_0(n, c.text), c.negatedSum) << c.text;
        EXPECT_EQ(CheckSumComposer_1(n, c.text), c.sum) << c.text;
        EXPECT_EQ(CheckSumComposer_2(n, c.text), c.xr) << c.text;
        EXPECT_EQ(CheckSumComposer_3(n, c.text), c.crcJ1850) << c.text;
        EXPECT_EQ(CheckSumComposer_4(n, c.text), c.crcH2F) << c.text;
        // Routine 0 makes every byte and the checksum add up to 0.
        EXPECT_EQ((CheckSumComposer_0(n, c.text) + CheckSumComposer_1(n, c.text)) % 256, 0) << c.text;
    }
}
