#include "FrameStructureTable.h"

#include "Exception.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

constexpr int NumericCells = LenAddCell; // cells 1 to 12 of a half

struct HalfCells {
    std::string_view Layout;
    std::array<std::string_view, NumericCells> Values;
};

struct RowCells {
    HalfCells Rx; // requests
    HalfCells Tx; // answers
};

constexpr RowCells Both(const HalfCells& half) { return {half, half}; }

// clang-format off
// Values in cell order: FmtBytes, LenInFmt, LenInFmtPos, LenBytes, LenSub, DataOffset, SrcBytes,
//                       TgtBytes, ChsBytes, ChsStart, ChsFunction, LenAdd
constexpr std::array<RowCells, FrameStructureFilledRows> Rows = {{
    /*  1 */ Both({"FMT;SID;DATA;CHS", {"1", "1", "0", "1", "1", "1", "0", "0", "1", "0", "1", "0"}}),
    /*  2 */ Both({"FMT;LEN;SID;DATA;CHS", {"1", "1", "1", "1", "2", "1", "0", "0", "1", "0", "1", "0"}}),
    /*  3 */ {.Rx = {"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}},
              .Tx = {"FMT;SRC;TGT;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}},
    /*  4 */ {.Rx = {"FMT;SRC;TGT;LEN;SID;DATA;CHS", {"1", "1", "3", "1", "4", "1", "1", "1", "1", "0", "1", "0"}},
              .Tx = {"FMT;TGT;SRC;LEN;SID;DATA;CHS", {"1", "1", "3", "1", "4", "1", "1", "1", "1", "0", "1", "0"}}},
    /*  5 */ Both({"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "2", "0"}}),
    /*  6 */ Both({"LEN;SID;DATA;CHS", {"0", "1", "0", "1", "2", "1", "0", "0", "1", "0", "2", "0"}}),
    /*  7 */ Both({"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}),
    /*  8 */ Both({"LEN;SID;DATA;CHS", {"0", "1", "0", "1", "1", "1", "0", "0", "1", "0", "2", "0"}}),
    /*  9 */ Both({"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "0", "1", "1", "1", "1", "0", "1", "0"}}),
    /* 10 */ Both({"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}),
    /* 11 */ Both({"FMT;SID;DATA;CHS", {"3", "0", "0", "0", "0", "2", "0", "0", "1", "0", "0", "0"}}),
    /* 12 */ Both({"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "0", "0"}}),
    /* 13 */ Both({"LEN;DATA;CHS", {"0", "1", "0", "1", "0", "2", "0", "0", "1", "0", "0", "0"}}),
    /* 14 */ {.Rx = {"FMT;TGT;SRC;LEN;SID;DATA;CHS", {"1", "1", "3", "1", "4", "2", "1", "1", "1", "0", "2", "0"}},
              .Tx = {"FMT;SRC;TGT;LEN;SID;DATA;CHS", {"1", "1", "3", "1", "4", "2", "1", "1", "1", "0", "2", "0"}}},
    /* 15 */ Both({"LEN;SID;DATA", {"0", "1", "0", "1", "1", "1", "0", "0", "0", "0", "0", "0"}}),
    /* 16 */ {.Rx = {"FMT;SRC;TGT;LEN;SID;DATA;CHS", {"1", "1", "0", "1", "0", "1", "1", "1", "1", "0", "1", "0"}},
              .Tx = {"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "0", "1", "1", "1", "1", "0", "1", "0"}}},
    /* 17 */ {.Rx = {"FMT;DATA;CHS", {"3", "0", "0", "0", "0", "0", "0", "0", "1", "0", "3", "0"}},
              .Tx = {"FMT;DATA;CHS", {"3", "0", "0", "0", "0", "0", "0", "0", "1", "0", "1", "0"}}},
    /* 18 */ {.Rx = {"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "2", "0"}},
              .Tx = {"FMT;SRC;TGT;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "2", "0"}}},
    /* 19 */ Both({"FMT;LEN;SID;DATA;CHS", {"1", "1", "1", "1", "0", "1", "0", "0", "1", "0", "2", "1"}}),
    /* 20 */ {.Rx = {"FMT;TGT;SRC;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}},
              .Tx = {"FMT;SRC;TGT;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}},
    /* 21 */ {.Rx = {"FMT;LEN;DATA;CHS", {"1", "1", "1", "1", "0", "1", "0", "0", "1", "0", "4", "1"}},
              .Tx = {"DATA;CHS", {"0", "0", "0", "0", "0", "1", "0", "0", "1", "0", "3", "1"}}},
    /* 22 */ Both({"LEN;SID;DATA;CHS", {"0", "1", "0", "1", "1", "1", "0", "0", "1", "0", "1", "0"}}),
    /* 23 */ Both({"FMT;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}),
    /* 24 */ Both({"SID;DATA;CHS", {"0", "1", "0", "1", "1", "1", "0", "0", "0", "0", "0", "0"}}),
    /* 25 */ Both({"LEN;SID;DATA;CHS", {"0", "1", "0", "1", "1", "1", "0", "0", "1", "0", "1", "0"}}),
    /* 26 */ Both({"FMT;SID;DATA;CHS", {"1", "1", "0", "1", "3", "1", "1", "1", "1", "0", "1", "0"}}),
}};
// clang-format on

constexpr bool LayoutsFit() {
    for (const RowCells& row : Rows)
        if (row.Rx.Layout.size() >= sizeof(TFrameStructure::Layout) ||
            row.Tx.Layout.size() >= sizeof(TFrameStructure::Layout))
            return false;
    return true;
}
static_assert(LayoutsFit(), "a layout of the table does not fit the record's layout field");

// Where each numeric cell of a half goes, in cell order.
constexpr std::array<std::int32_t TFrameStructure::*, NumericCells> NumericFields = {
    &TFrameStructure::FmtBytes,   &TFrameStructure::LenInFmt,    &TFrameStructure::LenInFmtPos,
    &TFrameStructure::LenBytes,   &TFrameStructure::LenSub,      &TFrameStructure::DataOffset,
    &TFrameStructure::SrcBytes,   &TFrameStructure::TgtBytes,    &TFrameStructure::ChsBytes,
    &TFrameStructure::ChsStart,   &TFrameStructure::ChsFunction, &TFrameStructure::LenAdd,
};

std::string_view HalfCell(const HalfCells& half, int index) {
    if (index == LayoutCell) return half.Layout;
    if (index <= NumericCells) return half.Values[static_cast<std::size_t>(index - 1)];
    return {};
}

// Decimal integer with an optional sign, the whole text, within 32 bits; the failure text is the
// one the operator knows from the class library's conversion.
std::int32_t CellToInt(std::string_view text) {
    std::string_view digits = text;
    bool plus = !digits.empty() && digits.front() == '+';
    if (plus) digits.remove_prefix(1);
    std::int32_t value = 0;
    const char* end = digits.data() + digits.size();
    auto [stop, error] = std::from_chars(digits.data(), end, value, 10);
    if (digits.empty() || (plus && digits.front() == '-') || error != std::errc() || stop != end)
        throw Exception("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

void CopyLayout(std::string_view text, char (&field)[sizeof(TFrameStructure::Layout)]) {
    const std::size_t length = std::min(text.size(), sizeof field - 1);
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy_n(text.begin(), length, field); // an empty view may carry no pointer at all
}

void ApplyHalf(int number, int firstCell, TFrameStructure& target) {
    CopyLayout(FrameStructureCell(number, firstCell + LayoutCell), target.Layout);
    for (int i = 0; i < NumericCells; ++i)
        target.*NumericFields[static_cast<std::size_t>(i)] =
            CellToInt(FrameStructureCell(number, firstCell + FmtBytesCell + i));
}

} // namespace

std::string_view FrameStructureCell(int number, int cell) {
    if (number < 1 || number > FrameStructureRowCount)
        throw Exception("Protocol number " + std::to_string(number) +
                        " is outside the frame-structure table (1 to " +
                        std::to_string(FrameStructureRowCount) + ")!");
    if (cell < 0 || cell >= FrameStructureCellCount)
        throw Exception("Frame-structure cell " + std::to_string(cell) + " does not exist (0 to " +
                        std::to_string(FrameStructureCellCount - 1) + ")!");
    if (number > FrameStructureFilledRows) return {};
    const RowCells& row = Rows[static_cast<std::size_t>(number - 1)];
    if (cell < FrameStructureRxCells) return HalfCell(row.Tx, cell - FrameStructureTxCells);
    if (cell < 2 * FrameStructureRxCells) return HalfCell(row.Rx, cell - FrameStructureRxCells);
    return {};
}

TProtocolStructure BuildProtocolStructure(int number) {
    TProtocolStructure record;
    ApplyHalf(number, FrameStructureTxCells, record.TxStructure);
    ApplyHalf(number, FrameStructureRxCells, record.RxStructure);
    return record;
}
