#include "RtfWriter.h"

#include <algorithm>

namespace {

constexpr const char* Header = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1";
constexpr char32_t ReplacementLimit = 0x10FFFF;

// The next code point of text at i (advancing i); an invalid sequence gives its first byte.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return lead;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) {
        ++i;
        return lead;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = byte(i + static_cast<std::size_t>(k));
        if ((c & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms and surrogates are not characters.
    static constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < Smallest[extra] || cp > ReplacementLimit || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return lead;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void AppendUnicode(std::string& out, char32_t unit) {
    // \uN takes a signed 16-bit number.
    out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit))) + "?";
}

template <typename T> std::size_t IndexOf(std::vector<T>& table, const T& value) {
    auto it = std::find(table.begin(), table.end(), value);
    if (it != table.end()) return static_cast<std::size_t>(it - table.begin());
    table.push_back(value);
    return table.size() - 1;
}

} // namespace

std::string RtfEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\t') {
            out += "\\tab ";
        } else if (cp < 0x20 || cp == 0x7F) {
            continue;
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp <= 0xFFFF) {
            AppendUnicode(out, cp);
        } else {
            const char32_t v = cp - 0x10000;
            AppendUnicode(out, 0xD800 + (v >> 10));
            AppendUnicode(out, 0xDC00 + (v & 0x3FF));
        }
    }
    return out;
}

std::string WriteRtf(const std::vector<RtfParagraph>& paragraphs) {
    std::vector<std::string> fonts;
    std::vector<RtfColor> colors;
    std::string body;
    for (const RtfParagraph& paragraph : paragraphs) {
        for (const RtfRun& run : paragraph) {
            const std::size_t font = IndexOf(fonts, run.FontFamily);
            const std::size_t color = IndexOf(colors, run.Color) + 1; // entry 0 is the default colour
            body += "{\\f" + std::to_string(font) + "\\fs" + std::to_string(std::max(run.HalfPoints, 1)) + "\\cf" +
                    std::to_string(color) + (run.Bold ? "\\b" : "") + " " + RtfEscape(run.Text) + "}";
        }
        body += "\\par\r\n";
    }
    if (fonts.empty()) fonts.push_back(RtfRun{}.FontFamily);

    std::string out = Header;
    out += "{\\fonttbl";
    for (std::size_t f = 0; f < fonts.size(); ++f)
        out += "{\\f" + std::to_string(f) + "\\fmodern\\fcharset0 " + RtfEscape(fonts[f]) + ";}";
    out += "}\r\n{\\colortbl ;";
    for (const RtfColor& c : colors)
        out += "\\red" + std::to_string(c.Red) + "\\green" + std::to_string(c.Green) + "\\blue" +
               std::to_string(c.Blue) + ";";
    out += "}\r\n\\pard\\plain\r\n";
    out += body;
    out += "}\r\n";
    return out;
}
