#pragma once
// Writes small vehicle databases for the tests: fixed records built field by field at the
// offsets of the database's file formats (kept here apart from the library's own constants, so
// a wrong offset on either side shows), the tables written into a folder, and the generated
// database that the tests share. WorkingFolder gives a test a fresh working folder, since the
// library finds the database folders relative to it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace VehicleDb {

// The folders of the three vehicle kinds, relative to the working folder.
inline constexpr const char* CarFolder = "veicoli/auto/db_autod";
inline constexpr const char* MotorbikeFolder = "veicoli/moto/db_autod_moto";
inline constexpr const char* TruckFolder = "veicoli/camion/db_autod_truck";

inline constexpr const char* MakerFile = "tabMarca.dat";
inline constexpr const char* FuelFile = "tabCarb.dat";
inline constexpr const char* ModelFile = "tabModel.dat";
inline constexpr const char* VersionFile = "tabVer.dat";
inline constexpr const char* VehicleIdFile = "TabIDVet.dat";
inline constexpr const char* EcuFile = "tabCentr.dat";
inline constexpr const char* SystemFile = "tabVett.dat";
inline constexpr const char* SchemeFile = "schemi.dat";
inline constexpr const char* ScanFile = "idRiga_Scan.dat";

inline constexpr std::size_t MakerSize = 48;
inline constexpr std::size_t FuelSize = 10;
inline constexpr std::size_t ModelSize = 26;
inline constexpr std::size_t VersionSize = 66;
inline constexpr std::size_t VehicleIdSize = 72;
inline constexpr std::size_t EcuSize = 277;
inline constexpr std::size_t SystemSize = 123;
inline constexpr std::size_t SchemeSize = 178;

inline constexpr std::size_t LinkWidth = 8;
inline constexpr std::size_t NameWidth = 18;
inline constexpr std::size_t KeyWidth = 16;

// Field offsets of each table.
namespace At {
inline constexpr std::size_t MakerName = 22;
inline constexpr std::size_t MakerFuelLink = 40;
inline constexpr std::size_t FuelCode = 0;
inline constexpr std::size_t FuelModelLink = 2;
inline constexpr std::size_t ModelName = 0;
inline constexpr std::size_t ModelVersionLink = 18;
inline constexpr std::size_t VersionName = 0;
inline constexpr std::size_t VersionSystemOffset = 18;
inline constexpr std::size_t VersionNumber2 = 26;
inline constexpr std::size_t VersionNumber3 = 34;
inline constexpr std::size_t VersionNumber4 = 42;
inline constexpr std::size_t VersionKey = 50;
inline constexpr std::size_t IdKey = 0;
inline constexpr std::size_t IdText1 = 16;
inline constexpr std::size_t IdType = 34;
inline constexpr std::size_t IdText2 = 36;
inline constexpr std::size_t IdText3 = 54;
inline constexpr std::size_t SystemKey = 0;
inline constexpr std::size_t SystemCode = 16;
inline constexpr std::size_t SystemEcuOffset = 115;
inline constexpr std::size_t SchemeKey = 145;
inline constexpr std::size_t SchemeCode = 175;
} // namespace At

// The ECU record's fields as (offset, width).
struct Field {
    std::size_t offset;
    std::size_t width;
};
namespace Ecu {
inline constexpr Field Text1{0, 14};
inline constexpr Field Name{14, 16};
inline constexpr Field Text2{30, 16};
inline constexpr Field PartNumber{46, 15};
inline constexpr Field Text61{61, 15};
inline constexpr Field System{76, 5};
inline constexpr Field Letter{81, 2};
inline constexpr Field SetMux{83, 16};
inline constexpr Field Text3{99, 7};
inline constexpr Field MakerCode{106, 3};
inline constexpr Field FirstAddress{109, 3};
inline constexpr Field SecondAddress{112, 3};
inline constexpr Field Compare1{115, 16};
inline constexpr Field Text131{131, 16};
inline constexpr Field Compare2{147, 16};
inline constexpr Field Text163{163, 18};
inline constexpr Field Text181{181, 16};
inline constexpr Field Text197{197, 16};
inline constexpr Field EngineCode{213, 16};
inline constexpr Field ScanLine{245, 16};
inline constexpr Field NoteName{261, 16};
} // namespace Ecu

// One fixed record, all NUL until fields are written into it.
class Record {
public:
    explicit Record(std::size_t size) : bytes_(size, '\0') {}

    // A text left-aligned in its field with NULs after it; a text as wide as the field has no
    // NUL. A text wider than its field is a mistake of the test.
    Record& Text(std::size_t offset, std::size_t width, std::string_view text) {
        if (text.size() > width || offset + width > bytes_.size())
            throw std::logic_error("field does not fit: " + std::string(text));
        bytes_.replace(offset, width, std::string(width, '\0'));
        bytes_.replace(offset, text.size(), text);
        return *this;
    }
    Record& Text(Field field, std::string_view text) { return Text(field.offset, field.width, text); }
    // A link or offset as eight decimal digits with leading zeros.
    Record& Link(std::size_t offset, std::int64_t value) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08lld", static_cast<long long>(value));
        return Text(offset, LinkWidth, digits);
    }
    const std::string& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

inline Record Maker(std::string_view name, std::int64_t fuelLink) {
    Record r(MakerSize);
    r.Text(0, 22, "NOT READ");
    r.Text(At::MakerName, NameWidth, name);
    r.Link(At::MakerFuelLink, fuelLink);
    return r;
}

inline Record Fuel(char code, std::int64_t modelLink) {
    Record r(FuelSize);
    r.Text(At::FuelCode, 1, std::string(1, code));
    r.Text(1, 1, "x");
    r.Link(At::FuelModelLink, modelLink);
    return r;
}

inline Record Model(std::string_view name, std::int64_t versionLink) {
    Record r(ModelSize);
    r.Text(At::ModelName, NameWidth, name);
    r.Link(At::ModelVersionLink, versionLink);
    return r;
}

inline Record Version(std::string_view name, std::int64_t systemOffset, std::string_view key) {
    Record r(VersionSize);
    r.Text(At::VersionName, NameWidth, name);
    r.Link(At::VersionSystemOffset, systemOffset);
    r.Link(At::VersionNumber2, 2);
    r.Link(At::VersionNumber3, 3);
    r.Link(At::VersionNumber4, 4);
    r.Text(At::VersionKey, KeyWidth, key);
    return r;
}

inline Record VehicleId(std::string_view key, std::string_view type, std::string_view text1,
                        std::string_view text2, std::string_view text3) {
    Record r(VehicleIdSize);
    r.Text(At::IdKey, KeyWidth, key);
    r.Text(At::IdText1, 18, text1);
    r.Text(At::IdType, 2, type);
    r.Text(At::IdText2, 18, text2);
    r.Text(At::IdText3, 18, text3);
    return r;
}

// code and ecuOffset as the record holds them: decimal texts, read strictly.
inline Record System(std::string_view key, std::string_view code, std::string_view ecuOffset) {
    Record r(SystemSize);
    r.Text(At::SystemKey, KeyWidth, key);
    r.Text(At::SystemCode, 3, code);
    r.Text(19, 96, "NOT READ");
    r.Text(At::SystemEcuOffset, LinkWidth, ecuOffset);
    return r;
}
inline Record System(std::string_view key, std::string_view code, std::int64_t ecuOffset) {
    return System(key, code, std::to_string(ecuOffset));
}

inline Record Scheme(std::string_view key, std::string_view code) {
    Record r(SchemeSize);
    r.Text(At::SchemeKey, KeyWidth, key);
    r.Text(At::SchemeCode, 3, code);
    return r;
}

// The fields of one ECU record; empty texts stay NUL.
struct EcuFields {
    std::string text1, name, text2, partNumber, text61, system, letter, setMux, text3, makerCode;
    std::string firstAddress, secondAddress, compare1, text131, compare2, text163, text181, text197;
    std::string engineCode, scanLine, noteName;
};

inline Record EcuRecord(const EcuFields& f) {
    Record r(EcuSize);
    r.Text(Ecu::Text1, f.text1).Text(Ecu::Name, f.name).Text(Ecu::Text2, f.text2);
    r.Text(Ecu::PartNumber, f.partNumber).Text(Ecu::Text61, f.text61).Text(Ecu::System, f.system);
    r.Text(Ecu::Letter, f.letter).Text(Ecu::SetMux, f.setMux).Text(Ecu::Text3, f.text3);
    r.Text(Ecu::MakerCode, f.makerCode).Text(Ecu::FirstAddress, f.firstAddress);
    r.Text(Ecu::SecondAddress, f.secondAddress).Text(Ecu::Compare1, f.compare1).Text(Ecu::Text131, f.text131);
    r.Text(Ecu::Compare2, f.compare2).Text(Ecu::Text163, f.text163).Text(Ecu::Text181, f.text181);
    r.Text(Ecu::Text197, f.text197).Text(Ecu::EngineCode, f.engineCode).Text(229, 16, "NOT READ");
    r.Text(Ecu::ScanLine, f.scanLine).Text(Ecu::NoteName, f.noteName);
    return r;
}

// The tables of one database folder. Tests change records, drop a table or add stray bytes
// at a file's end before writing.
struct Tables {
    std::vector<Record> makers, fuels, models, versions, vehicleIds, ecus, systems, schemes, scans;
    // Tables left out of the folder, by file name.
    std::set<std::string> omitted;
    // Bytes appended to a table file after its records, by file name.
    std::map<std::string, std::string> tails;

    void WriteTo(const std::filesystem::path& folder) const {
        std::filesystem::create_directories(folder);
        Write(folder, MakerFile, makers);
        Write(folder, FuelFile, fuels);
        Write(folder, ModelFile, models);
        Write(folder, VersionFile, versions);
        Write(folder, VehicleIdFile, vehicleIds);
        Write(folder, EcuFile, ecus);
        Write(folder, SystemFile, systems);
        Write(folder, SchemeFile, schemes);
        if (!scans.empty() || tails.count(ScanFile))
            Write(folder, ScanFile, scans);
    }

private:
    void Write(const std::filesystem::path& folder, const std::string& name, const std::vector<Record>& records) const {
        if (omitted.count(name))
            return;
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        for (const Record& r : records)
            out << r.Bytes();
        if (auto tail = tails.find(name); tail != tails.end())
            out << tail->second;
        if (!out)
            throw std::runtime_error("cannot write " + name);
    }
};

// The generated database. Makers, fuels, models and versions:
//   maker 0 "ALFA ROMEO"  fuel 0 (code 1)  model 0 "GIULIETTA"  version 0 "1.4 TB"
//   maker 1 "FIAT"        fuel 1 (code 2)  model 1 "PUNTO"      version 1 "1.4 TB MULTIAIR"
//                         fuel 2 (code 3, no models: its link is the end of tabModel.dat)
// The last maker's fuels and the last model's versions run to the end of their files. Both
// versions carry the vehicle key VehicleKey. Its systems in tabVett.dat, in file order, have the
// codes 30, 10, 20; a fourth record of another vehicle follows them. The ECU records of
// tabCentr.dat, by system:
//   30: records 0-2, one ECU with three records: part numbers P1, P2, P1 and engine codes
//       E1, E2, E3 (the grouping example);
//   10: record 3, the ECU with the letter "@"; record 4, an ECU named by database text 12;
//   20: records 5 and 6, equal in all six list texts (system numbers 0301 and 0302);
//   the other vehicle: record 7, to the end of the file.
inline constexpr const char* VehicleKey = "ZAR94000007";
inline constexpr const char* OtherKey = "ZFA19900001";
inline constexpr std::int32_t VehicleType = 7;
inline constexpr std::int32_t OtherVehicleType = 3;

inline constexpr const char* P1 = "0261208001";
inline constexpr const char* P2 = "0261208002";
inline constexpr const char* E1 = "940A2000";
inline constexpr const char* E2 = "940A3000";
inline constexpr const char* E3 = "940A4000";

inline constexpr std::int64_t EcuAt(std::int64_t record) {
    return record * static_cast<std::int64_t>(EcuSize);
}
inline constexpr std::int64_t SystemAt(std::int64_t record) {
    return record * static_cast<std::int64_t>(SystemSize);
}

inline EcuFields EngineEcu(const char* partNumber, const char* engineCode, const char* system) {
    EcuFields f;
    f.text1 = "MOTORE";
    f.name = "BOSCH ME7.9.10";
    f.text2 = "INIEZIONE";
    f.partNumber = partNumber;
    f.text61 = "SW 1037";
    f.system = system;
    f.letter = "A";
    f.setMux = "000B00304000";
    f.text3 = "ME7";
    f.makerCode = "12";
    f.firstAddress = "102";
    f.secondAddress = "215";
    f.compare1 = "CAN";
    f.text131 = "TEXT131";
    f.compare2 = "CAN";
    f.text163 = "TEXT163";
    f.text181 = "TEXT181";
    f.text197 = "TEXT197";
    f.engineCode = engineCode;
    f.noteName = "me7note";
    return f;
}

inline Tables StandardDatabase() {
    Tables t;
    t.makers = {Maker("ALFA ROMEO", 0), Maker("FIAT", 10)};
    t.fuels = {Fuel('1', 0), Fuel('2', 26), Fuel('3', 52)};
    t.models = {Model("GIULIETTA", 0), Model("PUNTO", 66)};
    t.versions = {Version("1.4 TB", 0, VehicleKey), Version("1.4 TB MULTIAIR", 0, VehicleKey)};
    t.vehicleIds = {VehicleId(OtherKey, "3 ", "PUNTO 1.2", "188A4000", "2003"),
                    VehicleId(VehicleKey, " 7", "GIULIETTA 1.4", "940A2000", "2010")};
    t.systems = {System(VehicleKey, "30", EcuAt(0)), System(VehicleKey, "10", EcuAt(3)),
                 System(VehicleKey, "20", EcuAt(5)), System(OtherKey, "40", EcuAt(7))};
    t.schemes = {Scheme(VehicleKey, "030")};

    EcuFields airbag;
    airbag.text1 = "AIRBAG";
    airbag.name = "TRW";
    airbag.text2 = "SRS";
    airbag.text3 = "AB8";
    airbag.system = "0123";
    airbag.letter = "@";
    airbag.firstAddress = "0";
    EcuFields climate;
    climate.text1 = "CLIMA";
    climate.name = "\"\"12";
    climate.text2 = "AUTO";
    climate.text3 = "CL1";
    climate.partNumber = "46722000";
    climate.engineCode = "940A2000";
    climate.system = "0200";
    climate.letter = "C";
    EcuFields gearbox;
    gearbox.text1 = "CAMBIO";
    gearbox.name = "AISIN";
    gearbox.text2 = "AUTOMATICO";
    gearbox.text3 = "TF80";
    gearbox.partNumber = "55577001";
    gearbox.engineCode = "940B";
    gearbox.letter = "G";
    EcuFields gearbox2 = gearbox;
    gearbox.system = "0301";
    gearbox2.system = "0302";
    EcuFields abs;
    abs.text1 = "ABS";
    abs.name = "BOSCH 8";
    abs.system = "0400";
    abs.letter = "B";

    t.ecus = {EcuRecord(EngineEcu(P1, E1, "0077")), EcuRecord(EngineEcu(P2, E2, "0078")),
              EcuRecord(EngineEcu(P1, E3, "0079")), EcuRecord(airbag),
              EcuRecord(climate),                   EcuRecord(gearbox),
              EcuRecord(gearbox2),                  EcuRecord(abs)};

    auto scan = [](const char* line, const char* system) {
        EcuFields f;
        f.text1 = "SCAN";
        f.system = system;
        f.scanLine = line;
        return EcuRecord(f);
    };
    t.scans = {scan("5", "0501"), scan("  17  ", "0517"), scan("abc", "0999"), scan("42", "0542")};
    return t;
}

// A fresh working folder for one test, removed again at the end; the test runs inside it.
class WorkingFolder {
public:
    WorkingFolder() {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "vehicle_db_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a working folder");
        root_ = pattern;
        std::filesystem::current_path(root_);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path root_;
};

} // namespace VehicleDb
