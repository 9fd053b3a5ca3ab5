// The scan path on a thread whose scan list and scan state are filled as a device would fill
// them: the ECUs found shown with their scan.txt texts, one chosen by its idRiga_Scan.dat record
// (out of range, without a match, with one), and the scan's message lines.
#include "EcuRecordFill.h"
#include "ListsFixture.h"
#include "SelectionFixture.h"
#include "SelectionState.h"
#include "TVehicleDatabase.h"
#include "Watchdog.h"

#include <sys/stat.h>

#include <array>
#include <memory>

using namespace ListsFixture;
using namespace TesterLists;
using Selection::Bytes;

namespace {

constexpr std::uint32_t EcuKind = 7;
constexpr std::uint32_t EngineLine = 5;
constexpr std::uint32_t AirbagLine = 17;
constexpr std::uint32_t LongTextLine = 42;
constexpr std::uint32_t NoSuchLine = 99;
inline const QByteArray LongScanText(90, 'L');
inline const QByteArray NoteBytes = "Plug in\nthe cable";

VehicleDb::Record ScanRecord(const char* line, const char* system, const char* firstAddress) {
    VehicleDb::EcuFields f;
    f.text1 = "SCAN";
    f.name = "NOT COPIED";
    f.text61 = "T61";
    f.system = system;
    f.letter = "A";
    f.setMux = "000D00512000";
    f.makerCode = "12";
    f.firstAddress = firstAddress;
    f.secondAddress = "334";
    f.compare1 = "CMP";
    f.compare2 = "CMP";
    f.text131 = "T131";
    f.text163 = "T163 EIGHTEEN WIDE";
    f.text181 = "NOT COPIED";
    f.text197 = "T197";
    f.engineCode = "ENG";
    f.scanLine = line;
    f.noteName = " ScanNote ";
    return VehicleDb::EcuRecord(f);
}

ScanEntry Entry(std::uint32_t line, const char* name = "ECU NAME 12") {
    ScanEntry e{EcuKind, line, {}};
    std::memcpy(e.name, name, std::min(std::strlen(name), sizeof e.name));
    return e;
}

// The host's EcuRecord, every byte Untouched.
using HostEcu = Selection::HostRecord<EcuRecord, Selection::EcuLayout::Size>;

class ScanExports : public ListsTest {
protected:
    void SetUp() override {
        ListsTest::SetUp();
        WriteFile(QStringLiteral("text/ita/scan.txt"), DelimitedLine(EngineLine, "Engine ECU") +
                                                          DelimitedLine(AirbagLine, "Airbag ECU") +
                                                          DelimitedLine(LongTextLine, LongScanText));
        WriteFile(QStringLiteral("text/ita/note/scannote.txt"), NoteBytes);
        scanTables.scans = {ScanRecord("5", "0501", "712"), ScanRecord("  17 ", "0517", "0")};
        scanTables.WriteTo(VehicleDb::CarFolder);
    }
    void TearDown() override {
        VehicleExports::WithSelection([](VehicleExports::SelectionState& s) { s.database.reset(); });
        ListsTest::TearDown();
    }

    static void Found(const std::vector<ScanEntry>& entries) {
        Tables([&](DeviceTables& t) { t.scanList = entries; });
    }
    // The words waiting for the next initialisation, or nothing.
    static std::optional<std::array<std::uint32_t, 5>> PendingBlock() {
        std::optional<std::array<std::uint32_t, 5>> block;
        OnThread([&](TKrixThread& t) {
            std::uint32_t words[TKrixThread::EcuDirectWords] = {};
            if (t.ecuDirectBlock(words))
                block = std::array<std::uint32_t, 5>{words[0], words[1], words[2], words[3], words[4]};
        });
        return block;
    }
    static std::array<std::uint32_t, 5> BlockOf(const ScanEntry& e) {
        std::array<std::uint32_t, 5> w{e.kind, e.id, 0, 0, 0};
        std::memcpy(&w[2], e.name, sizeof e.name);
        return w;
    }
    static Bytes Selected() {
        const EcuSelectionRecord r = LinkExports::EcuSelection();
        return Bytes(r.bytes, r.bytes + sizeof r.bytes);
    }
    // What a selection of the record leaves in a host record that was all Untouched.
    static Bytes Expected(const VehicleDb::Record& record, std::array<std::uint8_t, 4> address, const QString& note) {
        Bytes b(Selection::EcuLayout::Size, Selection::Untouched);
        for (const auto& f : Selection::EcuLayout::Remaining) {
            std::memcpy(b.data() + f.offset, record.Bytes().data() + f.source.offset, f.source.width);
            b[f.offset + f.source.width] = 0;
        }
        std::memcpy(b.data() + Selection::EcuLayout::Address, address.data(), address.size());
        Selection::PutUnits(b, Selection::EcuLayout::Note, note, Selection::EcuLayout::NoteUnits);
        return b;
    }
    static QString ListText(const Selection::HostList<ListRecord>& list, std::size_t i) {
        const auto* units = reinterpret_cast<const char16_t*>(list.bytes().data() + Selection::ListLayout::EntryBytes * i);
        char16_t entry[ListRecord::EntryUnits];
        std::memcpy(entry, units, sizeof entry);
        return FieldText(entry);
    }

    VehicleDb::Tables scanTables;
};

} // namespace

TEST_F(ScanExports, TheEcusFoundAreShownWithTheirScanTexts) {
    Found({Entry(EngineLine), Entry(NoSuchLine), Entry(LongTextLine)});
    Selection::HostList<ListRecord> list;
    const Bytes before = list.bytes();
    ASSERT_EQ(ScanEcuList(list.get()), 3);
    EXPECT_EQ(ListText(list, 0), QStringLiteral("Engine ECU"));
    EXPECT_EQ(ListText(list, 1), QString());
    EXPECT_EQ(ListText(list, 2), QString::fromLatin1(LongScanText.left(70)));
    // Entries only: the count, the choices and the entries beyond are the host's.
    const std::size_t written = 3 * Selection::ListLayout::EntryBytes;
    EXPECT_TRUE(std::equal(before.begin() + written, before.end(), list.bytes().begin() + written));

    // A second list replaces the first.
    Found({Entry(AirbagLine)});
    ASSERT_EQ(ScanEcuList(list.get()), 1);
    EXPECT_EQ(ListText(list, 0), QStringLiteral("Airbag ECU"));
    HostEcu ecu;
    EXPECT_FALSE(SetScanEcuSelect(ecu.get(), 1));
}

TEST_F(ScanExports, AListHoldsAtMostTheRecordsEntriesAndOnlyThoseCanBeChosen) {
    std::vector<ScanEntry> many;
    for (std::uint32_t i = 0; i < 120; ++i)
        many.push_back(Entry(i < 100 ? EngineLine : AirbagLine));
    Found(many);
    Selection::HostList<ListRecord> list;
    ASSERT_EQ(ScanEcuList(list.get()), static_cast<std::int32_t>(ListRecord::Entries));
    EXPECT_EQ(ListText(list, ListRecord::Entries - 1), QStringLiteral("Engine ECU"));
    EXPECT_EQ(list.Count(), 0xA5A5A5A5u);

    HostEcu ecu;
    const Bytes before = ecu.bytes();
    EXPECT_FALSE(SetScanEcuSelect(ecu.get(), ListRecord::Entries));
    EXPECT_EQ(ecu.bytes(), before);
    EXPECT_FALSE(PendingBlock());
}

TEST_F(ScanExports, NoEcuFoundNoLanguageOrAFailedInitialisation) {
    Selection::HostList<ListRecord> list;
    const Bytes untouched = list.bytes();
    EXPECT_EQ(ScanEcuList(list.get()), 0);

    // Without a language folder there is no scan.txt: empty texts, the number still given.
    Found({Entry(EngineLine), Entry(AirbagLine)});
    Catalogue::ReleaseCatalogue();
    ASSERT_EQ(ScanEcuList(list.get()), 2);
    EXPECT_EQ(ListText(list, 0), QString());
    EXPECT_EQ(ListText(list, 1), QString());

    Selection::HostList<ListRecord> failed;
    OnThread([](TKrixThread& t) { t.setInitError(TKrixThread::InitFailed); });
    EXPECT_EQ(ScanEcuList(failed.get()), 0);
    EXPECT_EQ(failed.bytes(), untouched);
    // The list shown before is gone with it.
    HostEcu ecu;
    EXPECT_FALSE(SetScanEcuSelect(ecu.get(), 0));
    EXPECT_FALSE(PendingBlock());
}

TEST_F(ScanExports, AChosenEcuIsSelectedFromItsScanRecord) {
    const ScanEntry engine = Entry(EngineLine, "MOTRONIC ME7");
    Found({engine, Entry(AirbagLine), Entry(NoSuchLine)});
    Selection::HostList<ListRecord> list;
    ASSERT_EQ(ScanEcuList(list.get()), 3);
    const Bytes selectedBefore = Selected();

    // Out of the list: nothing handed on, nothing written.
    HostEcu outside;
    EXPECT_FALSE(SetScanEcuSelect(outside.get(), 3));
    EXPECT_EQ(outside.bytes(), HostEcu().bytes());
    EXPECT_FALSE(PendingBlock());

    // No record for its line: the block waits all the same; nothing else changes.
    HostEcu missing;
    EXPECT_FALSE(SetScanEcuSelect(missing.get(), 2));
    EXPECT_EQ(missing.bytes(), HostEcu().bytes());
    EXPECT_EQ(PendingBlock(), BlockOf(Entry(NoSuchLine)));
    EXPECT_EQ(Selected(), selectedBefore);

    // Its record: the library's selected ECU, the host's fields, address bytes and note. No
    // database was open: the car database becomes the library's.
    HostEcu chosen;
    ASSERT_TRUE(SetScanEcuSelect(chosen.get(), 0));
    EXPECT_EQ(PendingBlock(), BlockOf(engine));
    const VehicleDb::Record& record = scanTables.scans[0];
    EXPECT_EQ(Selected(), Bytes(record.Bytes().begin(), record.Bytes().end()));
    EXPECT_EQ(chosen.bytes(), Expected(record, {11, 7, 33, 3}, QStringLiteral("Plug in the cable")));
    VehicleExports::WithSelection([](VehicleExports::SelectionState& s) {
        ASSERT_TRUE(s.database);
        EXPECT_EQ(s.database->FolderPath(), QString::fromLatin1(VehicleDb::CarFolder));
    });

    // A first address "0": no address byte.
    HostEcu airbag;
    ASSERT_TRUE(SetScanEcuSelect(airbag.get(), 1));
    EXPECT_EQ(airbag.bytes(), Expected(scanTables.scans[1], {255, 255, 255, 255}, QStringLiteral("Plug in the cable")));
}

TEST_F(ScanExports, PipesInThePlaceOfScanTxtAndOfANoteAreTakenAsMissing) {
    // Named pipes that nobody writes: opening one for reading must not wait for a writer.
    for (const char* file : {"text/ita/scan.txt", "text/ita/note/scannote.txt"}) {
        std::filesystem::remove(file);
        ASSERT_EQ(::mkfifo(file, 0644), 0) << file;
    }
    const Watchdog watchdog("the scan list and its choice beside named pipes", std::chrono::seconds(30));
    Found({Entry(EngineLine)});
    Selection::HostList<ListRecord> list;
    ASSERT_EQ(ScanEcuList(list.get()), 1);
    EXPECT_EQ(ListText(list, 0), QString());
    HostEcu chosen;
    ASSERT_TRUE(SetScanEcuSelect(chosen.get(), 0));
    EXPECT_EQ(chosen.bytes(), Expected(scanTables.scans[0], {11, 7, 33, 3}, QString()));
}

TEST_F(ScanExports, TheDatabaseOpenBeforeIsUsedWhateverItsKind) {
    scanTables.WriteTo(VehicleDb::MotorbikeFolder);
    std::filesystem::remove(std::filesystem::path(VehicleDb::CarFolder) / VehicleDb::ScanFile);
    VehicleExports::WithSelection([](VehicleExports::SelectionState& s) {
        s.database = std::make_unique<TVehicleDatabase>(QString::fromLatin1(VehicleDb::MotorbikeFolder));
    });
    Found({Entry(EngineLine)});
    Selection::HostList<ListRecord> list;
    ASSERT_EQ(ScanEcuList(list.get()), 1);
    HostEcu ecu;
    EXPECT_TRUE(SetScanEcuSelect(ecu.get(), 0));
}

TEST_F(ScanExports, ScanMessagesAreFourLinesByTheirSlots) {
    std::array<std::uint16_t, ScanMessageUnits + 8> text;
    const auto Shown = [&] {
        text.fill(0xA5A5);
        EXPECT_TRUE(GetEcuScanMessages(text.data()));
        std::size_t n = 0;
        while (n < text.size() && text[n] != 0)
            ++n;
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), static_cast<qsizetype>(n));
    };
    EXPECT_EQ(Shown(), QStringLiteral("\n\n\n\n"));

    const auto SetState = [](std::array<std::uint32_t, 4> ids, std::array<std::uint8_t, 4> lines) {
        Tables([&](DeviceTables& t) {
            for (std::size_t i = 0; i < 4; ++i) {
                t.scanState.messageId[i] = ids[i];
                t.scanState.source[i] = 0;
                t.scanState.slot[i] = lines[i];
            }
        });
    };
    SetState({31, 32, 0, 0}, {0, 2, 1, 3});
    EXPECT_EQ(Shown(), QStringLiteral("Scanning the vehicle\n\nECU found\n\n"));

    // Four long lines: cut to 349 characters and the terminator.
    SetState({LongMessage, LongMessage + 1, LongMessage + 2, LongMessage + 3}, {0, 1, 2, 3});
    const QString full = QString(LongMessageLength, u'a') + u'\n' + QString(LongMessageLength, u'b') + u'\n' +
                         QString(LongMessageLength, u'c') + u'\n' + QString(LongMessageLength, u'd') + u'\n';
    EXPECT_EQ(Shown(), full.left(ScanMessageUnits - 1));
    EXPECT_EQ(text[ScanMessageUnits - 1], 0);
    EXPECT_EQ(text[ScanMessageUnits], 0xA5A5);

    // After a failed initialisation the state is not read.
    OnThread([](TKrixThread& t) { t.setInitError(TKrixThread::InitFailed); });
    EXPECT_EQ(Shown(), QStringLiteral("\n\n\n\n"));
}

TEST_F(ScanExports, TheScanSwitchSetsTheThreadsScanModes) {
    ASSERT_TRUE(StartStopScanEcu(1));
    OnThread([](TKrixThread& t) {
        EXPECT_EQ(t.scanMode(), 1);
        EXPECT_EQ(t.repeatInfo(), 1);
        EXPECT_EQ(t.acquisitionOn(), 1);
    });
    ASSERT_TRUE(StartStopScanEcu(0));
    OnThread([](TKrixThread& t) {
        EXPECT_EQ(t.acquisitionOn(), 0);
        EXPECT_FALSE(t.commandRequestPending());
    });
}

TEST_F(ScanExports, WithoutADriverThreadNothingIsShownOrChosen) {
    Found({Entry(EngineLine)});
    Selection::HostList<ListRecord> list;
    ASSERT_EQ(ScanEcuList(list.get()), 1);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    LoadTexts();
    const Bytes before = list.bytes();
    EXPECT_EQ(ScanEcuList(list.get()), 0);
    EXPECT_EQ(list.bytes(), before);
    HostEcu ecu;
    const Bytes selectedBefore = Selected();
    EXPECT_FALSE(SetScanEcuSelect(ecu.get(), 0));
    EXPECT_EQ(ecu.bytes(), HostEcu().bytes());
    EXPECT_EQ(Selected(), selectedBefore);
    std::array<std::uint16_t, 4> text{1, 2, 3, 4};
    EXPECT_FALSE(GetEcuScanMessages(text.data()));
    EXPECT_EQ(text, (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
    EXPECT_FALSE(StartStopScanEcu(1));
}
