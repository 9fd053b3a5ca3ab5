// The exports' copies into caller memory.
#include "CallerCopies.h"
#include "CallerRecords.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

TEST(CallerCopies, TextsAreCutToTheCallersRoom) {
    const QString text = QString::fromUtf8("Caf\xC3\xA8 ok"); // an e with grave accent
    struct Case {
        std::size_t room;
        std::vector<std::uint16_t> expected;
    };
    const Case cases[] = {
        {360, {'C', 'a', 'f', 0x00E8, ' ', 'o', 'k', 0}},
        {8, {'C', 'a', 'f', 0x00E8, ' ', 'o', 'k', 0}},
        {4, {'C', 'a', 'f', 0}},
        {1, {0}},
    };
    for (const Case& c : cases) {
        std::array<std::uint16_t, 16> out;
        out.fill(0xBEEF);
        EXPECT_EQ(copyToUnicode(text, out.data(), c.room), c.expected.size() - 1) << c.room;
        EXPECT_EQ(std::vector<std::uint16_t>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.expected.size())),
                  c.expected)
            << c.room;
        EXPECT_EQ(out[c.expected.size()], 0xBEEF) << "written past the room of " << c.room;
    }
    std::uint16_t untouched = 0xBEEF;
    EXPECT_EQ(copyToUnicode(text, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 0xBEEF);
    EXPECT_EQ(copyToUnicode(text, static_cast<std::uint16_t*>(nullptr), 360), 0u);
}

TEST(CallerCopies, FieldsAreCopiedWholeAndTerminated) {
    const char field[6] = {'A', '\0', 'B', 'C', 'D', 'E'}; // a fixed-width field, not a string
    char out[6];
    std::memset(out, 'x', sizeof out);
    copyField(out, field, 5);
    EXPECT_EQ(std::string(out, 5), std::string("A\0BC\0", 5));
    EXPECT_EQ(out[5], 'x');
    for (std::size_t n : {0u, 1u}) {
        std::memset(out, 'x', sizeof out);
        copyField(out, field, n);
        EXPECT_EQ(out[0], '\0');
        EXPECT_EQ(out[1], 'x');
    }
}

TEST(CallerCopies, ARecordFieldIsCutToTheField) {
    std::vector<unsigned char> memory(sizeof(ErrorRecord), 0xAB);
    auto* record = reinterpret_cast<ErrorRecord*>(memory.data());
    const QString longText(100, u'x');
    EXPECT_EQ(copyToUnicode(longText, record->stateText), 14u);
    const std::size_t at = offsetof(ErrorRecord, stateText);
    for (std::size_t i = 0; i < 14; ++i)
        EXPECT_EQ(memory[at + 2 * i] | memory[at + 2 * i + 1] << 8, 'x') << i;
    EXPECT_EQ(memory[at + 28], 0);
    EXPECT_EQ(memory[at + 29], 0);
    EXPECT_EQ(memory[offsetof(ErrorRecord, codeText)], 0xAB); // the next field is untouched
}

TEST(CallerCopies, UnitsGoToABufferAtAnyAddress) {
    // A host may hand over a text buffer at an odd address.
    std::vector<unsigned char> memory(9, 0xAB);
    EXPECT_EQ(copyToUnicode(QStringLiteral("ab\u00e8"), reinterpret_cast<char16_t*>(memory.data() + 1), 4), 3u);
    EXPECT_EQ(std::vector<unsigned char>(memory.begin(), memory.end()),
              (std::vector<unsigned char>{0xAB, 'a', 0, 'b', 0, 0xE8, 0, 0, 0}));
}
