#pragma once
// Filling the host's EcuRecord from the selected ECU's database record. Text fields are the
// record's fixed-width fields, each copied whole and terminated (copyField); the name and the
// note are 16-bit texts cut to their fields. The record is reached byte-wise at the offsets
// of its layout: a host may keep it packed at any address.
#include "CallerRecords.h"
#include "EcuSelection.h"

#include <QString>

#include <array>
#include <cstdint>

namespace EcuRecordFill {

constexpr std::uint8_t NoAddress = 0xFF;
constexpr std::size_t NoteUnits = sizeof(EcuRecord::note) / sizeof(char16_t);
// Longer notes are dropped whole rather than cut.
constexpr qsizetype NoteLimit = static_cast<qsizetype>(NoteUnits) - 1;

void WriteFound(EcuRecord* ecu, std::uint8_t found);

// ECU texts 1, 2 and 3, the part number and the text at 181: what a selection writes before it
// knows the ECU's name.
void CopyListFields(EcuRecord* ecu, const EcuSelectionRecord& record);
// The other text fields: the text at 61, system number, letter, compare text 1, the texts at
// 131, 163 and 197, the engine code.
void CopyRemainingFields(EcuRecord* ecu, const EcuSelectionRecord& record);

// The four address bytes. A first address text "abc" gives bc - 1 and a; the second address
// text gives bytes 2 and 3 the same way when the two compare texts are equal. A first address
// text "0" or empty, or unequal compare texts for bytes 2 and 3, give 255.
std::array<std::uint8_t, 4> AddressBytes(const EcuSelectionRecord& record);
void WriteAddress(EcuRecord* ecu, const std::array<std::uint8_t, 4>& address);

// Cut to 16 characters and terminated.
void WriteName(EcuRecord* ecu, const QString& name);

// The note of the record's note name: <textFolder>note/<name>.txt, the name trimmed and in
// lower case; line feeds become blanks and the bytes are read through the catalogue's code
// page. Empty when there is no name or no language folder, when the name is not a plain file
// name (PathPartNames.h), when the file cannot be read, or when the note has NoteUnits
// characters or more.
QString NoteText(const EcuSelectionRecord& record, const QString& textFolder);
void WriteNote(EcuRecord* ecu, const QString& note);

// Whether the record's letter is "@".
bool HasAtLetter(const EcuSelectionRecord& record);

} // namespace EcuRecordFill
