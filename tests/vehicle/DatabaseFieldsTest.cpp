// The reading of record fields, and the ECU record's layout against the file format.
#include "DatabaseFields.h"
#include "DatabaseTables.h"
#include "EcuSelection.h"
#include "VehicleDbWriter.h"
#include "VehicleKind.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace VehicleFields;

// A field of the given width holding exactly these bytes (NULs included).
std::string FieldOf(std::string bytes, std::size_t width) {
    bytes.resize(width, '\0');
    return bytes;
}

struct TextCase {
    std::string bytes;
    std::size_t width;
    std::string expected;
};

TEST(DatabaseFields, TextEndsAtItsNulOrItsWidth) {
    const TextCase cases[] = {
        {"ABCD", 18, "ABCD"},
        {"ABCDEFGHIJKLMNOPQR", 18, "ABCDEFGHIJKLMNOPQR"}, // as wide as its field: no NUL
        {"AB CD  ", 18, "AB CD  "},                      // blanks are part of the text
        {std::string("AB\0CD", 5), 18, "AB"},
        {"", 18, ""},
        {"ABCDEFGH", 4, "ABCD"}, // the field's width is the limit
    };
    for (const TextCase& c : cases) {
        const std::string field = FieldOf(c.bytes, std::max(c.width, c.bytes.size()));
        EXPECT_EQ(Text(field.data(), c.width), QString::fromLatin1(c.expected)) << c.bytes;
    }
}

TEST(DatabaseFields, TextIsLatin1) {
    const std::string field = FieldOf("CITRO\xCB" "N", 18);
    EXPECT_EQ(Text(field.data(), 18), QString::fromUtf8("CITRO\xC3\x8BN"));
}

struct NumberCase {
    std::string bytes; // the field's bytes, NUL-padded to its width
    std::int32_t lenient;
    std::int32_t strict;
};

TEST(DatabaseFields, LenientAndStrictNumbers) {
    const NumberCase cases[] = {
        {"00000010", 10, 10},
        {"      10", 10, 10},
        {"10      ", 10, 10},
        {"+0000010", 10, 0},
        {"-0000010", -10, 0},
        {"10abcdef", 10, 0},
        {"1 0", 1, 0},
        {"abc", 0, 0},
        {"", 0, 0},
        {"        ", 0, 0},
        {std::string("12\0" "34", 5), 12, 12}, // a NUL ends the field
        {"99999999", 99999999, 99999999},
    };
    for (const NumberCase& c : cases) {
        const std::string field = FieldOf(c.bytes, 8);
        EXPECT_EQ(LenientNumber(field.data(), 8), c.lenient) << '"' << c.bytes << '"';
        EXPECT_EQ(StrictNumber(field.data(), 8), c.strict) << '"' << c.bytes << '"';
    }
}

TEST(DatabaseFields, NumbersBeyondInt32DoNotWrap) {
    const std::string field = "9999999999999999";
    EXPECT_EQ(StrictNumber(field.data(), 16), 0);
    EXPECT_EQ(LenientNumber(field.data(), 16), std::numeric_limits<std::int32_t>::max());
    const std::string negative = "-999999999999999";
    EXPECT_EQ(LenientNumber(negative.data(), 16), std::numeric_limits<std::int32_t>::min());
}

TEST(DatabaseLayout, EcuRecordFieldsAreThoseOfTheFileFormat) {
    using R = EcuSelectionRecord;
    namespace E = VehicleDb::Ecu;
    const std::pair<VehicleDb::Field, VehicleDb::Field> fields[] = {
        {{R::EcuText1Offset, R::EcuText1Width}, E::Text1},
        {{R::NameOffset, R::NameWidth}, E::Name},
        {{R::EcuText2Offset, R::EcuText2Width}, E::Text2},
        {{R::PartNumberOffset, R::PartNumberWidth}, E::PartNumber},
        {{R::Text61Offset, R::Text61Width}, E::Text61},
        {{R::SystemOffset, R::SystemWidth}, E::System},
        {{R::LetterOffset, R::LetterWidth}, E::Letter},
        {{R::SetMuxOffset, R::SetMuxWidth}, E::SetMux},
        {{R::EcuText3Offset, R::EcuText3Width}, E::Text3},
        {{R::CodeOffset, R::CodeWidth}, E::MakerCode},
        {{R::FirstAddressOffset, R::FirstAddressWidth}, E::FirstAddress},
        {{R::SecondAddressOffset, R::SecondAddressWidth}, E::SecondAddress},
        {{R::Compare1Offset, R::Compare1Width}, E::Compare1},
        {{R::Text131Offset, R::Text131Width}, E::Text131},
        {{R::Compare2Offset, R::Compare2Width}, E::Compare2},
        {{R::Text163Offset, R::Text163Width}, E::Text163},
        {{R::Text181Offset, R::Text181Width}, E::Text181},
        {{R::Text197Offset, R::Text197Width}, E::Text197},
        {{R::EngineCodeOffset, R::EngineCodeWidth}, E::EngineCode},
        {{R::ScanLineOffset, R::ScanLineWidth}, E::ScanLine},
        {{R::NoteNameOffset, R::NoteNameWidth}, E::NoteName},
    };
    for (const auto& [record, format] : fields) {
        EXPECT_EQ(record.offset, format.offset);
        EXPECT_EQ(record.width, format.width) << "at " << format.offset;
    }
    EXPECT_EQ(R::Size, VehicleDb::EcuSize);
}

TEST(DatabaseLayout, TablesAndFolders) {
    using namespace VehicleTables;
    const std::pair<Table, std::size_t> sizes[] = {
        {Makers, VehicleDb::MakerSize},   {Fuels, VehicleDb::FuelSize},       {Models, VehicleDb::ModelSize},
        {Versions, VehicleDb::VersionSize}, {VehicleIds, VehicleDb::VehicleIdSize}, {Ecus, VehicleDb::EcuSize},
        {Systems, VehicleDb::SystemSize}, {Schemes, VehicleDb::SchemeSize},
    };
    for (const auto& [table, size] : sizes)
        EXPECT_EQ(RecordSizes[table], size) << FileNames[table];

    EXPECT_EQ(VehicleFolder(0), QString::fromLatin1(VehicleDb::CarFolder));
    EXPECT_EQ(VehicleFolder(1), QString::fromLatin1(VehicleDb::MotorbikeFolder));
    EXPECT_EQ(VehicleFolder(2), QString::fromLatin1(VehicleDb::TruckFolder));
    EXPECT_TRUE(VehicleFolder(3).isEmpty());
    EXPECT_TRUE(VehicleFolder(255).isEmpty());
}

} // namespace
