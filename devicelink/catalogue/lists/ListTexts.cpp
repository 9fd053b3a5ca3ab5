#include "ListTexts.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace ListTexts {
namespace {

constexpr std::int32_t AllGenericProgram = 100;

// Room for the longest code text: two extra digits, a blank, a letter and eight digits.
constexpr std::size_t CodeTextRoom = 16;

template <typename... Args> QString Format(const char* format, Args... args) {
    char text[CodeTextRoom];
    const int n = std::snprintf(text, sizeof text, format, args...);
    return n < 0 ? QString() : QString::fromLatin1(text);
}

char KindLetter(std::uint8_t kind) {
    switch (kind) {
    case 4: return 'C';
    case 8: return 'B';
    case 12: return 'U';
    default: return 'P';
    }
}

} // namespace

FaultTable ShortCodeTable(std::int32_t code, std::int32_t program) {
    if (program == AllGenericProgram)
        return FaultTable::Generic;
    switch (code & 0xF000) {
    case 0x0000:
    case 0x2000:
    case 0x4000:
    case 0x7000:
    case 0x8000:
    case 0xB000:
    case 0xC000:
    case 0xF000:
        return FaultTable::Generic;
    case 0x3000:
        // P3400 to P3FFF are generic codes, the rest of the range the maker's.
        return (code & 0xFFF) >= 0x400 ? FaultTable::Generic : FaultTable::Maker;
    default:
        return FaultTable::Maker;
    }
}

QString ShortCodeText(std::uint8_t kind, std::int32_t code) {
    return Format("%c%04X", KindLetter(kind), static_cast<unsigned>(code & 0x3FFF));
}

QString LongCodeText(std::int32_t code) { return Format("%06X", static_cast<unsigned>(code)); }

QString WithExtra(std::uint8_t extra, const QString& codeText) {
    return extra == 0 ? codeText : Format("%02X ", static_cast<unsigned>(extra)) + codeText;
}

QString StateText(std::uint8_t state) {
    switch (state) {
    case 0:
    case 2: return QStringLiteral("ATT");
    case 1: return QStringLiteral("MEM");
    case 3: return QStringLiteral("FREEZE");
    case 4: return QStringLiteral("NVE");
    default: return {};
    }
}

std::optional<std::uint32_t> WatchedInfoItem(std::int32_t program) {
    switch (program) {
    case 146:
    case 147:
    case 159:
    case 160:
    case 223: return 0x24;
    case 150: return 0x28;
    case 151:
    case 194:
    case 220:
    case 221: return 0x2E;
    case 171: return 0x60;
    case 197:
    case 212: return 0x64;
    case 199: return 0x7E;
    default: return std::nullopt;
    }
}

bool SaysNotOk(const char (&value)[20]) {
    // The device's text need not end inside its field.
    std::string text(value, strnlen(value, sizeof value));
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.find("not ok") != std::string::npos;
}

QString EcuName(TEcuTextTable* table, const std::uint8_t (&codeBytes)[4]) {
    if (table == nullptr)
        return {};
    QString name = table->GetText(codeBytes[0] + 256 * codeBytes[2]).trimmed();
    name.remove(u'@');
    return name;
}

QString EcuSecondText(TEcuTextTable* table, const std::uint8_t (&codeBytes)[4]) {
    if (table == nullptr)
        return {};
    QString text = table->GetText(0x100 + codeBytes[3]).trimmed();
    text.chop(1);
    return text;
}

} // namespace ListTexts
