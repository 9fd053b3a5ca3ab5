#pragma once
// The vehicle and ECU selection as a tester host sees it: the host's ListRecord and EcuRecord
// as raw bytes at the offsets of their published layout (kept here apart from the library's
// structs, so a wrong offset on either side shows), the bytes a call must leave built field by
// field, and the database and texts that the selection tests walk.
#include "CatalogueFixtures.h"
#include "VehicleDbWriter.h"

#include <QString>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace Selection {

using Bytes = std::vector<std::uint8_t>;

// What the host's memory holds where the library has written nothing.
inline constexpr std::uint8_t Untouched = 0xA5;

namespace ListLayout {
inline constexpr std::size_t Entries = 100;
inline constexpr std::size_t EntryUnits = 71;
inline constexpr std::size_t EntryBytes = 142;
inline constexpr std::size_t Count = 14200;
inline constexpr std::size_t MakerIndex = 14204;
inline constexpr std::size_t FuelIndex = 14208;
inline constexpr std::size_t ModelIndex = 14212;
inline constexpr std::size_t VersionIndex = 14216;
inline constexpr std::size_t Size = 14220;
} // namespace ListLayout

namespace EcuLayout {
// A text field of the host's record and the database field it receives whole.
struct TextField {
    std::size_t offset;
    std::size_t size;
    VehicleDb::Field source;
};
inline constexpr std::size_t Found = 0;
inline constexpr std::size_t Address = 116;
inline constexpr std::size_t Name = 190;
inline constexpr std::size_t NameUnits = 17;
inline constexpr std::size_t Note = 224;
inline constexpr std::size_t NoteUnits = 500;
inline constexpr std::size_t Size = 1224;

// Written by every selection that reads a record, before the ECU's name is known.
inline constexpr TextField FirstFive[] = {
    {1, 15, VehicleDb::Ecu::Text1},       {16, 17, VehicleDb::Ecu::Text2},   {33, 16, VehicleDb::Ecu::PartNumber},
    {66, 8, VehicleDb::Ecu::Text3},       {49, 17, VehicleDb::Ecu::Text181},
};
// Written once the ECU is found.
inline constexpr TextField Remaining[] = {
    {91, 16, VehicleDb::Ecu::Text61},     {107, 6, VehicleDb::Ecu::System},  {113, 3, VehicleDb::Ecu::Letter},
    {120, 17, VehicleDb::Ecu::Compare1},  {137, 17, VehicleDb::Ecu::Text131}, {154, 19, VehicleDb::Ecu::Text163},
    {74, 17, VehicleDb::Ecu::Text197},    {173, 17, VehicleDb::Ecu::EngineCode},
};
} // namespace EcuLayout

// A text as 16-bit little-endian units and a 0 unit at offset. The text must fit: a test states
// any cut itself.
inline void PutUnits(Bytes& bytes, std::size_t offset, const QString& text, std::size_t room) {
    if (static_cast<std::size_t>(text.size()) >= room) {
        ADD_FAILURE() << "expected text does not fit its field: " << text.toStdString();
        return;
    }
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const char16_t unit = i < text.size() ? text.at(i).unicode() : 0;
        bytes[offset + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(unit & 0xFF);
        bytes[offset + 2 * static_cast<std::size_t>(i) + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
}

inline void PutWord32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A record of the host, all Untouched until the library writes into it.
template <typename Record, std::size_t Size> class HostRecord {
public:
    HostRecord() : bytes_(Size, Untouched) {}
    Record* get() { return reinterpret_cast<Record*>(bytes_.data()); }
    const Bytes& bytes() const { return bytes_; }

protected:
    Bytes bytes_;
};

template <typename Record> class HostList : public HostRecord<Record, ListLayout::Size> {
public:
    // The host's choices, as it sets them before a call.
    void SetIndex(std::size_t offset, std::int32_t value) {
        PutWord32(this->bytes_, offset, static_cast<std::uint32_t>(value));
    }
    // The bytes a list of these texts leaves: the count, then each text and a 0 unit in its
    // entry; the rest as it was.
    Bytes Expected(const std::vector<QString>& texts) const {
        Bytes b = this->bytes_;
        PutWord32(b, ListLayout::Count, static_cast<std::uint32_t>(texts.size()));
        for (std::size_t i = 0; i < texts.size(); ++i)
            PutUnits(b, ListLayout::EntryBytes * i, texts[i], ListLayout::EntryUnits);
        return b;
    }
    std::uint32_t Count() const {
        std::uint32_t count = 0;
        std::memcpy(&count, this->bytes_.data() + ListLayout::Count, sizeof count);
        return count;
    }
};

// What a selection must leave in the host's EcuRecord.
struct EcuExpectation {
    bool found = false;                 // also the remaining fields, the address and the note
    std::optional<QString> name;        // written when set
    std::array<std::uint8_t, 4> address{};
    QString note;
};

template <typename Record> class HostEcu : public HostRecord<Record, EcuLayout::Size> {
public:
    // The bytes after a selection of the database record: its fields copied whole and ended by
    // a 0, the rest as it was.
    Bytes Expected(const VehicleDb::Record& record, const EcuExpectation& e) const {
        Bytes b = this->bytes_;
        b[EcuLayout::Found] = e.found ? 1 : 0;
        const auto copy = [&](const EcuLayout::TextField& f) {
            ASSERT_EQ(f.size, f.source.width + 1);
            std::memcpy(b.data() + f.offset, record.Bytes().data() + f.source.offset, f.source.width);
            b[f.offset + f.source.width] = 0;
        };
        for (const EcuLayout::TextField& f : EcuLayout::FirstFive)
            copy(f);
        if (e.name)
            PutUnits(b, EcuLayout::Name, *e.name, EcuLayout::NameUnits);
        if (!e.found)
            return b;
        for (const EcuLayout::TextField& f : EcuLayout::Remaining)
            copy(f);
        std::memcpy(b.data() + EcuLayout::Address, e.address.data(), e.address.size());
        PutUnits(b, EcuLayout::Note, e.note, EcuLayout::NoteUnits);
        return b;
    }
    // Only the found byte cleared.
    Bytes NotFound() const {
        Bytes b = this->bytes_;
        b[EcuLayout::Found] = 0;
        return b;
    }
};

// The walk's texts, language 1 ("ita").
inline constexpr int Language = 1;
inline constexpr std::uint8_t CodecOn = 1;
inline const QString Petrol = QStringLiteral("Benzina");
inline const QString Diesel = QStringLiteral("Gasolio");
inline const QString SafetyPlant = QStringLiteral("Sicurezza");    // system 10
inline const QString GearboxPlant = QStringLiteral("Trasmissione"); // system 20
inline const QString EnginePlant = QStringLiteral("Motore");        // system 30
inline constexpr std::int32_t AirbagText = 4;
inline constexpr std::int32_t InjectionText = 5;
inline constexpr std::int32_t ClimateText = 12;
inline const QString AirbagName = QStringLiteral("AIRBAG FRONTALE");
inline const QString InjectionName = QStringLiteral("INIEZIONE ELETTRONICA BENZINA MULTIPOINT");
inline const QString ClimateName = QStringLiteral("CLIMATIZZATORE AUTOMATICO");
inline constexpr const char* NoteName = " ME7Note ";   // trimmed and lower-cased: me7note
inline constexpr const char* NoteFile = "text/ita/note/me7note.txt";
inline const QByteArray NoteBytes = "Collegare la presa OBD\r\nGirare la chiave";
inline const QString NoteShown = QStringLiteral("Collegare la presa OBD\r Girare la chiave");

// The SetMux text of the walk's engine record R3 and the mux record the device must receive
// for it: the line letter D as bit 3, then the value 0x00512000 big-endian.
inline constexpr const char* EngineSetMux = "000D00512000";
inline constexpr std::uint8_t EngineMuxLine = 1u << 3;
inline constexpr std::uint32_t EngineMuxValue = 0x00512000;
inline constexpr std::int32_t EngineProgram = 79; // R3's system number "0079"

// Writes codec.ini and the database texts of the language into the working folder.
inline void WriteTexts() {
    using namespace CatalogueFixture;
    WriteFile(QStringLiteral("codec.ini"), CodecIni({{Language, "ita", "CP1258"}}));
    WriteFile(QStringLiteral("text/ita/carb.txt"), DelimitedLine(1, Petrol.toLatin1()) + DelimitedLine(2, Diesel.toLatin1()));
    WriteFile(QStringLiteral("text/ita/impianti.txt"), DelimitedLine(10, SafetyPlant.toLatin1()) +
                                                         DelimitedLine(20, GearboxPlant.toLatin1()) +
                                                         DelimitedLine(30, EnginePlant.toLatin1()));
    WriteFile(QStringLiteral("text/ita/db.txt"), DelimitedLine(AirbagText, AirbagName.toLatin1()) +
                                                   DelimitedLine(InjectionText, InjectionName.toLatin1()) +
                                                   DelimitedLine(ClimateText, ClimateName.toLatin1()));
    WriteFile(QString::fromLatin1(NoteFile), NoteBytes);
}

// The generated database (VehicleDbWriter.h) with ECU names that its vehicle of type 7 can
// show: the engine ECU (records 0-2) is database text 5 and has a note; R3 has a SetMux of its
// own; the airbag (record 3, letter "@") is database text 4. The climate ECU (record 4) keeps
// database text 12 and the gearbox (records 5, 6) its own name "AISIN".
inline VehicleDb::Tables SelectionDatabase() {
    VehicleDb::Tables t = VehicleDb::StandardDatabase();
    const char* systems[] = {"0077", "0078", "0079"};
    const char* partNumbers[] = {VehicleDb::P1, VehicleDb::P2, VehicleDb::P1};
    const char* engineCodes[] = {VehicleDb::E1, VehicleDb::E2, VehicleDb::E3};
    for (std::size_t i = 0; i < 3; ++i) {
        VehicleDb::EcuFields f = VehicleDb::EngineEcu(partNumbers[i], engineCodes[i], systems[i]);
        f.name = "\"\"5";
        f.noteName = NoteName;
        if (i == 2)
            f.setMux = EngineSetMux;
        t.ecus[i] = VehicleDb::EcuRecord(f);
    }
    t.ecus[3].Text(VehicleDb::Ecu::Name, "\"\"4");
    return t;
}

// The ECU list lines of the walk's systems.
inline const QString GearboxLine = QStringLiteral("CAMBIO AISIN AUTOMATICO (TF80)");
inline const QString AirbagLine = QStringLiteral("AIRBAG ") + AirbagName + QStringLiteral(" SRS AB8  ");
inline const QString ClimateLine = QStringLiteral("CLIMA ") + ClimateName + QStringLiteral(" AUTO CL1 46722000 940A2000");
// 81 characters: the list shows the first 70.
inline const QString EngineLine = QStringLiteral("MOTORE ") + InjectionName + QStringLiteral(" INIEZIONE ME7 ") +
                                  QString::fromLatin1(VehicleDb::P1) + u' ' + QString::fromLatin1(VehicleDb::E1);
inline constexpr qsizetype ListTextLimit = 70;

// Positions in the walk's lists.
inline constexpr std::int32_t Fiat = 1;
inline constexpr std::uint32_t System10 = 0;
inline constexpr std::uint32_t System20 = 1;
inline constexpr std::uint32_t System30 = 2;
inline constexpr std::uint32_t Airbag = 0;  // in system 10
inline constexpr std::uint32_t Climate = 1; // in system 10
inline constexpr std::uint32_t ShownP1 = 1; // the engine's part numbers are shown P2, P1
inline constexpr std::uint32_t ShownE3 = 1; // P1's engine codes are shown E1, E3

// Address bytes of the engine records: first address "102", second "215", equal compare texts.
inline constexpr std::array<std::uint8_t, 4> EngineAddress{1, 1, 14, 2};
inline constexpr std::array<std::uint8_t, 4> NoAddress{255, 255, 255, 255};

} // namespace Selection
