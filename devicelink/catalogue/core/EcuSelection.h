#pragma once
// The library's record of the selected ECU, in the layout of one ECU record of the vehicle
// database (tabCentr.dat and idRiga_Scan.dat, 277 bytes). The device link reads and writes the
// system number, the letter, the byte after it, the SetMux text and the code text; the tester
// functions fill the rest from the database. The code text is the maker code: it chooses the
// maker's own fault catalogue. Texts are 8-bit, left-aligned, ended by a NUL when shorter than
// their field.
#include <cstddef>
#include <cstdint>

struct EcuSelectionRecord {
    static constexpr std::size_t Size = 277;

    static constexpr std::size_t EcuText1Offset = 0;
    static constexpr std::size_t EcuText1Width = 14;
    // The ECU's name, or two double quotes and the number of a database text.
    static constexpr std::size_t NameOffset = 14;
    static constexpr std::size_t NameWidth = 16;
    static constexpr std::size_t EcuText2Offset = 30;
    static constexpr std::size_t EcuText2Width = 16;
    static constexpr std::size_t PartNumberOffset = 46;
    static constexpr std::size_t PartNumberWidth = 15;
    static constexpr std::size_t Text61Offset = 61;
    static constexpr std::size_t Text61Width = 15;
    // The device program number as a decimal text.
    static constexpr std::size_t SystemOffset = 76;
    static constexpr std::size_t SystemWidth = 5; // up to 4 digits and a terminator
    static constexpr std::size_t LetterOffset = 81;
    static constexpr std::size_t LetterWidth = 2; // the letter and a 0
    static constexpr std::size_t SetMuxOffset = 83;
    static constexpr std::size_t SetMuxWidth = 16; // up to 15 characters and a terminator
    static constexpr std::size_t EcuText3Offset = 99;
    static constexpr std::size_t EcuText3Width = 7;
    // The maker code, a decimal text: chooses the maker's fault-code catalogue.
    static constexpr std::size_t CodeOffset = 106;
    static constexpr std::size_t CodeWidth = 3; // up to 2 characters and a terminator
    static constexpr std::size_t FirstAddressOffset = 109;
    static constexpr std::size_t FirstAddressWidth = 3;
    static constexpr std::size_t SecondAddressOffset = 112;
    static constexpr std::size_t SecondAddressWidth = 3;
    static constexpr std::size_t Compare1Offset = 115;
    static constexpr std::size_t Compare1Width = 16;
    static constexpr std::size_t Text131Offset = 131;
    static constexpr std::size_t Text131Width = 16;
    static constexpr std::size_t Compare2Offset = 147;
    static constexpr std::size_t Compare2Width = 16;
    static constexpr std::size_t Text163Offset = 163;
    static constexpr std::size_t Text163Width = 18;
    static constexpr std::size_t Text181Offset = 181;
    static constexpr std::size_t Text181Width = 16;
    static constexpr std::size_t Text197Offset = 197;
    static constexpr std::size_t Text197Width = 16;
    static constexpr std::size_t EngineCodeOffset = 213;
    static constexpr std::size_t EngineCodeWidth = 16;
    static constexpr std::size_t UnusedOffset = 229;
    static constexpr std::size_t UnusedWidth = 16;
    // Meaningful in idRiga_Scan.dat: the scan line that finds the record.
    static constexpr std::size_t ScanLineOffset = 245;
    static constexpr std::size_t ScanLineWidth = 16;
    // The ECU's note file is this name followed by ".txt".
    static constexpr std::size_t NoteNameOffset = 261;
    static constexpr std::size_t NoteNameWidth = 16;

    char bytes[Size] = {};

    char* system() { return bytes + SystemOffset; }
    const char* system() const { return bytes + SystemOffset; }
    char& letter() { return bytes[LetterOffset]; }
    char letter() const { return bytes[LetterOffset]; }
    char* setMux() { return bytes + SetMuxOffset; }
    const char* setMux() const { return bytes + SetMuxOffset; }
    char* code() { return bytes + CodeOffset; }
    const char* code() const { return bytes + CodeOffset; }
    // Any field by its offset, for the readers of the database side.
    const char* at(std::size_t offset) const { return bytes + offset; }
};
static_assert(sizeof(EcuSelectionRecord) == EcuSelectionRecord::Size);

// The fields follow one another without a gap and fill the record.
static_assert([] {
    using R = EcuSelectionRecord;
    constexpr std::size_t fields[][2] = {
        {R::EcuText1Offset, R::EcuText1Width},       {R::NameOffset, R::NameWidth},
        {R::EcuText2Offset, R::EcuText2Width},       {R::PartNumberOffset, R::PartNumberWidth},
        {R::Text61Offset, R::Text61Width},           {R::SystemOffset, R::SystemWidth},
        {R::LetterOffset, R::LetterWidth},           {R::SetMuxOffset, R::SetMuxWidth},
        {R::EcuText3Offset, R::EcuText3Width},       {R::CodeOffset, R::CodeWidth},
        {R::FirstAddressOffset, R::FirstAddressWidth}, {R::SecondAddressOffset, R::SecondAddressWidth},
        {R::Compare1Offset, R::Compare1Width},       {R::Text131Offset, R::Text131Width},
        {R::Compare2Offset, R::Compare2Width},       {R::Text163Offset, R::Text163Width},
        {R::Text181Offset, R::Text181Width},         {R::Text197Offset, R::Text197Width},
        {R::EngineCodeOffset, R::EngineCodeWidth},   {R::UnusedOffset, R::UnusedWidth},
        {R::ScanLineOffset, R::ScanLineWidth},       {R::NoteNameOffset, R::NoteNameWidth},
    };
    std::size_t next = 0;
    for (const auto& f : fields) {
        if (f[0] != next)
            return false;
        next = f[0] + f[1];
    }
    return next == R::Size;
}());
