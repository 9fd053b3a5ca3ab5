// The stand-in checksum library's routines, called directly. Kept apart from the binding tests:
// a program linked against both this library (in bin/) and the fake link library would find
// the real libkrix_interface.so of bin/ before the fake one.
#include <gtest/gtest.h>

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
    EXPECT_EQ(CheckSumComposer_1(4, nullptr), 0);
}
