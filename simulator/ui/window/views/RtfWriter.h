#pragma once
// A small writer of Rich Text Format, enough for the traffic log: paragraphs of runs, each run
// with its font, size, colour and weight. Word processors and Debian's unrtf read what it writes.
// Texts are UTF-8; characters outside ASCII are written as \uN escapes (with '?' for readers that
// do not know them), so nothing depends on a code page.
#include <cstdint>
#include <string>
#include <vector>

struct RtfColor {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const RtfColor&) const = default;
};

struct RtfRun {
    std::string Text;               // UTF-8; line breaks inside a run are not expected
    std::string FontFamily = "Courier New";
    int HalfPoints = 20;            // the font size in half points (10 pt)
    RtfColor Color;
    bool Bold = false;
};

using RtfParagraph = std::vector<RtfRun>;

// The whole document: one font table entry per family and one colour table entry per colour,
// in the order first used, then every paragraph closed by \par.
std::string WriteRtf(const std::vector<RtfParagraph>& paragraphs);

// The text escaped for RTF: \ { } escaped, tab as \tab, other control characters dropped,
// non-ASCII as \uN? (a code point beyond 16 bits as its two surrogates; bytes that are not
// valid UTF-8 count as Latin-1 characters).
std::string RtfEscape(const std::string& utf8);
