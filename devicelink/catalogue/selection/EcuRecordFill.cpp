#include "EcuRecordFill.h"

#include "CallerCopies.h"
#include "CatalogueCodec.h"
#include "DatabaseFields.h"
#include "PathPartNames.h"
#include "WorkingFiles.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace EcuRecordFill {
namespace {

using R = EcuSelectionRecord;

unsigned char* Bytes(EcuRecord* ecu) { return reinterpret_cast<unsigned char*>(ecu); }

// A text field of EcuRecord and the database field it takes: the caller's field holds the
// whole database field and a terminator.
struct FieldCopy {
    std::size_t to;
    std::size_t size;
    std::size_t from;
};
#define ECU_FIELD(member, offset) FieldCopy{offsetof(EcuRecord, member), sizeof(EcuRecord::member), offset}
#define ECU_FIELD_FITS(member, width) static_assert(sizeof(EcuRecord::member) == (width) + 1)

ECU_FIELD_FITS(ecuText1, R::EcuText1Width);
ECU_FIELD_FITS(ecuText2, R::EcuText2Width);
ECU_FIELD_FITS(partNumber, R::PartNumberWidth);
ECU_FIELD_FITS(text181, R::Text181Width);
ECU_FIELD_FITS(ecuText3, R::EcuText3Width);
ECU_FIELD_FITS(text197, R::Text197Width);
ECU_FIELD_FITS(text61, R::Text61Width);
ECU_FIELD_FITS(systemNumber, R::SystemWidth);
ECU_FIELD_FITS(letter, R::LetterWidth);
ECU_FIELD_FITS(compareText1, R::Compare1Width);
ECU_FIELD_FITS(text131, R::Text131Width);
ECU_FIELD_FITS(text163, R::Text163Width);
ECU_FIELD_FITS(engineCode, R::EngineCodeWidth);

constexpr FieldCopy ListFields[] = {
    ECU_FIELD(ecuText1, R::EcuText1Offset),
    ECU_FIELD(ecuText2, R::EcuText2Offset),
    ECU_FIELD(partNumber, R::PartNumberOffset),
    ECU_FIELD(ecuText3, R::EcuText3Offset),
    ECU_FIELD(text181, R::Text181Offset),
};
constexpr FieldCopy RemainingFields[] = {
    ECU_FIELD(text61, R::Text61Offset),
    ECU_FIELD(systemNumber, R::SystemOffset),
    ECU_FIELD(letter, R::LetterOffset),
    ECU_FIELD(compareText1, R::Compare1Offset),
    ECU_FIELD(text131, R::Text131Offset),
    ECU_FIELD(text163, R::Text163Offset),
    ECU_FIELD(text197, R::Text197Offset),
    ECU_FIELD(engineCode, R::EngineCodeOffset),
};
#undef ECU_FIELD
#undef ECU_FIELD_FITS

template <std::size_t N> void Copy(EcuRecord* ecu, const R& record, const FieldCopy (&fields)[N]) {
    for (const FieldCopy& f : fields)
        copyField(reinterpret_cast<char*>(Bytes(ecu) + f.to), record.at(f.from), f.size);
}

// Two bytes from an address text "abc": bc - 1 and a, each a strict decimal number taken as
// a byte (0 - 1 gives 255). Characters the text does not have read as nothing, hence 0.
void AddressPair(const char* field, std::size_t width, std::uint8_t* out) {
    const std::size_t length = VehicleFields::TextLength(field, width);
    const std::size_t first = std::min<std::size_t>(length, 1);
    const std::size_t rest = length - first;
    out[0] = static_cast<std::uint8_t>(VehicleFields::StrictNumber(field + first, rest) - 1);
    out[1] = static_cast<std::uint8_t>(VehicleFields::StrictNumber(field, first));
}

QString Field(const R& record, std::size_t offset, std::size_t width) {
    return VehicleFields::Text(record.at(offset), width);
}

// Note files are short; a file beyond this cannot hold fewer than NoteUnits characters in any
// code page, so it is not read whole.
constexpr qint64 NoteReadLimit = 64 * 1024;

} // namespace

void WriteFound(EcuRecord* ecu, std::uint8_t found) {
    std::memcpy(Bytes(ecu) + offsetof(EcuRecord, found), &found, sizeof found);
}

void CopyListFields(EcuRecord* ecu, const EcuSelectionRecord& record) { Copy(ecu, record, ListFields); }

void CopyRemainingFields(EcuRecord* ecu, const EcuSelectionRecord& record) { Copy(ecu, record, RemainingFields); }

std::array<std::uint8_t, 4> AddressBytes(const EcuSelectionRecord& record) {
    std::array<std::uint8_t, 4> address{NoAddress, NoAddress, NoAddress, NoAddress};
    const QString first = Field(record, R::FirstAddressOffset, R::FirstAddressWidth);
    if (first.isEmpty() || first == QStringLiteral("0"))
        return address;
    AddressPair(record.at(R::FirstAddressOffset), R::FirstAddressWidth, &address[0]);
    if (Field(record, R::Compare1Offset, R::Compare1Width) == Field(record, R::Compare2Offset, R::Compare2Width))
        AddressPair(record.at(R::SecondAddressOffset), R::SecondAddressWidth, &address[2]);
    return address;
}

void WriteAddress(EcuRecord* ecu, const std::array<std::uint8_t, 4>& address) {
    std::memcpy(Bytes(ecu) + offsetof(EcuRecord, address), address.data(), address.size());
}

void WriteName(EcuRecord* ecu, const QString& name) {
    copyToUnicode(name, reinterpret_cast<std::uint16_t*>(Bytes(ecu) + offsetof(EcuRecord, name)),
                  sizeof(EcuRecord::name) / sizeof(char16_t));
}

QString NoteText(const EcuSelectionRecord& record, const QString& textFolder) {
    const QString name = Field(record, R::NoteNameOffset, R::NoteNameWidth).trimmed().toLower();
    // The name comes from the database: it names a file in the note folder and nothing else.
    // Without a language folder the path would begin at the root of the file system.
    if (textFolder.isEmpty() || !PathPartNames::Usable(name))
        return {};
    QString folder = textFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QFile file;
    if (!WorkingFiles::OpenForReading(file, folder + QStringLiteral("note/") + name + QStringLiteral(".txt")))
        return {};
    QByteArray bytes = file.read(NoteReadLimit + 1);
    if (bytes.size() > NoteReadLimit)
        return {};
    bytes.replace('\n', ' ');
    CatalogueCodec::Refresh();
    const QString text = CatalogueCodec::Decode(bytes);
    return text.size() <= NoteLimit ? text : QString();
}

void WriteNote(EcuRecord* ecu, const QString& note) {
    copyToUnicode(note, reinterpret_cast<std::uint16_t*>(Bytes(ecu) + offsetof(EcuRecord, note)), NoteUnits);
}

bool HasAtLetter(const EcuSelectionRecord& record) {
    return Field(record, R::LetterOffset, R::LetterWidth) == QStringLiteral("@");
}

} // namespace EcuRecordFill
