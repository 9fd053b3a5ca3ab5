#include "FileText.h"

namespace {

// Code page 1252 from 0x80 to 0x9f; 0 where it has no character (the byte then stands for the
// control character of the same code, as in Latin-1).
constexpr char16_t High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

} // namespace

QString FromFileText(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t high = byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : 0;
        result.append(QChar(high != 0 ? high : static_cast<char16_t>(byte)));
    }
    return result;
}

std::string ToFileText(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x100 && (c < 0x80 || c >= 0xA0 || High[c - 0x80] == 0)) {
            result.push_back(static_cast<char>(c));
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i)
            if (High[i] != 0 && High[i] == c) byte = static_cast<char>(0x80 + i);
        result.push_back(byte);
    }
    return result;
}
