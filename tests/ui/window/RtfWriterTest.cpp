// Our RTF writer: the text escapes and the document's tables and paragraphs. (The window's tests
// read a saved log back with unrtf, an independent reader.)
#include <gtest/gtest.h>

#include "RtfWriter.h"

TEST(RtfWriterTest, TextIsEscaped) {
    const struct {
        const char* text;
        const char* rtf;
    } cases[] = {
        {"RX: 02 21 01", "RX: 02 21 01"},
        {"a\\b{c}d", "a\\\\b\\{c\\}d"},
        {"tab\there", "tab\\tab here"},
        {"bell\a and line\r\nend", "bell and lineend"},
        {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\\u252?\\u223?e"},       // two-byte UTF-8
        {"\xE2\x82\xAC 5", "\\u8364? 5"},                       // euro sign
        {"\xEF\xBF\xBD", "\\u-3?"},                             // above 0x7FFF: negative
        {"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},            // beyond 16 bits: surrogates
        {"\xE9t\xE9", "\\u233?t\\u233?"},                       // not UTF-8: Latin-1
        {"\xC3", "\\u195?"},                                    // cut short
        {"\xC0\xAF", "\\u192?\\u175?"},                         // overlong
    };
    for (const auto& c : cases) EXPECT_EQ(RtfEscape(c.text), c.rtf) << c.text;
}

TEST(RtfWriterTest, FontsAndColoursAreTabledOnceInOrderOfUse) {
    const RtfColor blue{0, 0, 255}, green{0, 128, 0};
    std::vector<RtfParagraph> paragraphs = {
        {{"RX: 01", "Courier New", 20, blue, false}},
        {{"TX: 41", "Courier New", 20, green, false}, {" more", "Arial", 24, blue, true}},
        {},
    };
    const std::string rtf = WriteRtf(paragraphs);
    EXPECT_EQ(rtf,
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
              "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}{\\f1\\fmodern\\fcharset0 Arial;}}\r\n"
              "{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}\r\n"
              "\\pard\\plain\r\n"
              "{\\f0\\fs20\\cf1 RX: 01}\\par\r\n"
              "{\\f0\\fs20\\cf2 TX: 41}{\\f1\\fs24\\cf1\\b  more}\\par\r\n"
              "\\par\r\n"
              "}\r\n");
    // An empty document is still a whole one.
    EXPECT_EQ(WriteRtf({}), "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
                            "{\\colortbl ;}\r\n\\pard\\plain\r\n}\r\n");
}
