// Finding the idRiga_Scan.dat record of a scan line.
#include "DatabaseFields.h"
#include "VehicleDbFixture.h"

#include <cstring>

namespace {

using namespace VehicleDb;

struct ScanCase {
    std::int32_t line;
    bool found;
    const char* system; // of the record found
};

EcuSelectionRecord Untouched() {
    EcuSelectionRecord r;
    std::memset(r.bytes, 0x5A, sizeof r.bytes);
    return r;
}

TEST_F(VehicleDbTest, AScanLineFindsItsRecordAndOnlyAMatchIsCopied) {
    tables.tails[ScanFile] = Record(tables.scans[0]).Text(Ecu::ScanLine, "99").Bytes().substr(0, 270);
    tables.WriteTo(CarFolder);
    const ScanCase cases[] = {
        {5, true, "0501"},
        {17, true, "0517"}, // blanks around the number
        {42, true, "0542"},
        {43, false, ""},
        {99, false, ""}, // only in the partial record at the file's end
        {-1, false, ""},
    };
    const QString folder = QString::fromLatin1(CarFolder);
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.line);
        EcuSelectionRecord out = Untouched();
        EXPECT_EQ(TVehicleDatabase::ReadScanRecord(c.line, folder, out), c.found);
        if (c.found) {
            EXPECT_EQ(VehicleFields::Text(out.system(), EcuSelectionRecord::SystemWidth), QString::fromLatin1(c.system));
            EXPECT_EQ(VehicleFields::Text(out.at(0), 14), QStringLiteral("SCAN"));
        } else {
            EXPECT_EQ(std::memcmp(out.bytes, Untouched().bytes, sizeof out.bytes), 0)
                << "a record that did not match reached the caller";
        }
    }
}

TEST_F(VehicleDbTest, NoScanTableNoRecord) {
    tables.scans.clear();
    tables.WriteTo(CarFolder);
    const char* folders[] = {CarFolder, "veicoli/auto/nothing_here", ""};
    for (const char* folder : folders) {
        EcuSelectionRecord out = Untouched();
        EXPECT_FALSE(TVehicleDatabase::ReadScanRecord(5, QString::fromLatin1(folder), out)) << '"' << folder << '"';
        EXPECT_EQ(std::memcmp(out.bytes, Untouched().bytes, sizeof out.bytes), 0);
    }
}

} // namespace
