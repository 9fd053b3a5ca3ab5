#pragma once
// The texts that dress the driver thread's records: a fault's code text, state text and the
// catalogue its description comes from, the identification item a program watches, and an
// ECU's two texts. Code texts are formatted into bounded buffers.
#include "TFixedWidthTables.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace ListTexts {

// Which fault table describes a code.
enum class FaultTable { Generic, Maker };

// A short code's table: every code for program 100, else by its top four bits (the maker's
// ranges, and 0x3000 below 0x3400).
FaultTable ShortCodeTable(std::int32_t code, std::int32_t program);

// "P0123", "C0123", ... of a short code: the kind's letter and the low 14 bits.
QString ShortCodeText(std::uint8_t kind, std::int32_t code);
// The six hexadecimal digits of a long code.
QString LongCodeText(std::int32_t code);
// The extra byte in front of a code text: "1A P0123".
QString WithExtra(std::uint8_t extra, const QString& codeText);
// "ATT", "MEM", "ATT", "FREEZE", "NVE" for 0 to 4, else empty.
QString StateText(std::uint8_t state);

// The identification item whose "not ok" the program's list reports; none for most programs.
std::optional<std::uint32_t> WatchedInfoItem(std::int32_t program);
// Whether an item's value (at most its 20 bytes, up to a 0 byte) says "not ok", in any case.
bool SaysNotOk(const char (&value)[20]);

// An ECU's name from ecu.txt: trimmed, without any at sign; and its second text: trimmed,
// without its last character.
QString EcuName(TEcuTextTable* table, const std::uint8_t (&codeBytes)[4]);
QString EcuSecondText(TEcuTextTable* table, const std::uint8_t (&codeBytes)[4]);

} // namespace ListTexts
