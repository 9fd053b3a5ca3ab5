// A stored catalogue file expands exactly as Qt's qUncompress expands it, but never past the
// bound of a catalogue file: beyond it the file gives an empty table and a debug line, and so
// does a file that holds more bytes than a catalogue file may.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LogCapture.h"
#include "MessageTexts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <new>
#include <string>

using namespace CatalogueFixture;
using CatalogueBlobs::MaxExpandedBytes;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr int NoMaker = 0;

const QByteArray UnitLine = "rpm" + CrLf;
constexpr int FastLevel = 1; // compression level: the bound's texts are large

QByteArray FastCompressed(const QByteArray& text) { return qCompress(text, FastLevel); }

// The bound's debug lines.
std::string Refused(const std::string& file) {
    return "main: catalogue: Expand: " + file + " expands to more than " + std::to_string(MaxExpandedBytes) +
           " bytes: refused";
}
std::string TooBig(const std::string& file, qsizetype limit) {
    return "main: catalogue: " + file + " holds more than " + std::to_string(limit) + " bytes: refused";
}

// A file of that size whose bytes are never written (it takes no room on the disk).
void WriteSparseFile(const QString& path, qint64 size) {
    WriteFile(path, QByteArray());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(size));
}

QByteArray WithLength(QByteArray blob, quint32 length) {
    blob[0] = static_cast<char>(length >> 24);
    blob[1] = static_cast<char>(length >> 16);
    blob[2] = static_cast<char>(length >> 8);
    blob[3] = static_cast<char>(length);
    return blob;
}

} // namespace

TEST(CatalogueBlobs, EveryStreamExpandsAsQUncompressExpandsIt) {
    const QByteArray text = Lines({"00000001 one", "00000002 two", "00000003 three"});
    const QByteArray blob = Compressed(text);
    QByteArray corrupt = blob;
    corrupt[blob.size() / 2] = static_cast<char>(corrupt[blob.size() / 2] ^ 0x55);
    QByteArray badCheck = blob;
    badCheck[blob.size() - 1] = static_cast<char>(badCheck[blob.size() - 1] ^ 0x01); // the stream's check value
    struct Case {
        const char* name;
        QByteArray blob;
    };
    const Case cases[] = {
        {"a text", blob},
        {"the empty text: four zero bytes", Compressed(QByteArray())},
        {"four bytes of a length and nothing else", WithLength(QByteArray(4, '\0'), 12)},
        {"fewer than four bytes", QByteArray("\x00\x01", 2)},
        {"a length of 0 before a text", WithLength(blob, 0)},
        {"a length of 1 before a text", WithLength(blob, 1)},
        {"a length beyond the text", WithLength(blob, static_cast<quint32>(4 * text.size()))},
        {"bytes after the stream's end", blob + "trailing bytes"},
        {"the stream cut before its end", blob.left(blob.size() - 3)},
        {"the stream cut in half", blob.left(blob.size() / 2)},
        {"a corrupt byte in the stream", corrupt},
        {"a wrong check value", badCheck},
        {"no zlib header", WithLength(QByteArray(4, '\0'), 5) + "plain text, no stream"},
    };
    const LogCapture warnings; // qUncompress's own
    for (const Case& c : cases)
        EXPECT_EQ(CatalogueBlobs::Expand(c.blob, QStringLiteral("t")), qUncompress(c.blob)) << c.name;
}

TEST(CatalogueBlobs, AFileExpandsUpToTheBoundAndNoFurther) {
    const QByteArray atBound(MaxExpandedBytes, 'u');
    EXPECT_TRUE(CatalogueBlobs::Expand(FastCompressed(atBound), QStringLiteral("at.zip")) == atBound);

    const QByteArray past = atBound + 'u';
    const QByteArray blob = FastCompressed(past);
    // Whatever the length field claims.
    for (quint32 length : {static_cast<quint32>(past.size()), 100u, 0xFFFFFFFFu}) {
        const LogCapture log;
        EXPECT_EQ(CatalogueBlobs::Expand(WithLength(blob, length), QStringLiteral("past.zip")), QByteArray()) << length;
        EXPECT_TRUE(log.Contains(Refused("past.zip"))) << length;
        EXPECT_FALSE(log.Contains("main: catalogue: Expand: past.zip does not expand")) << length;
    }
}

class CatalogueBound : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        italianFolder = WriteLanguage("ita", SampleTexts("ita"));
        WriteSharedTexts(DelimitedLine(1, "#F1=1#"), DelimitedLine(7, "6"));
    }
    void TearDown() override { ResetCatalogue(); }

    // The other tables load as always.
    static void ExpectTheOtherTables() {
        Catalogue::WithState([](Catalogue::State& s) {
            EXPECT_EQ(s.tables.parameterTexts->GetText(3).trimmed(), QStringLiteral("Speed ita"));
            EXPECT_EQ(s.tables.statusValueTexts->GetText(1), QStringLiteral("On ita"));
        });
    }

    WorkingFolder folder;
    QString italianFolder;
};

TEST_F(CatalogueBound, AUnitsFileThatWouldExpandPastTheBoundGivesAnEmptyTable) {
    WriteFile(italianFolder + QStringLiteral("umis.zip"),
              FastCompressed(UnitLine.repeated(MaxExpandedBytes / UnitLine.size() + 1)));
    const LogCapture log;
    EXPECT_EQ(Catalogue::InitText(Italian, CodecOn, NoMaker), 1);
    EXPECT_TRUE(log.Contains(Refused("text/ita/umis.zip")));
    Catalogue::WithState([](Catalogue::State& s) { EXPECT_EQ(s.tables.unitTexts->Count(), 0); });
    ExpectTheOtherTables();

    // At the bound it is a table like any other.
    const qsizetype lines = MaxExpandedBytes / UnitLine.size();
    WriteFile(italianFolder + QStringLiteral("umis.zip"), FastCompressed(UnitLine.repeated(lines)));
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    Catalogue::WithState([&](Catalogue::State& s) {
        EXPECT_EQ(s.tables.unitTexts->Count(), lines);
        EXPECT_EQ(s.tables.unitTexts->GetText(static_cast<int>(lines - 1)), QStringLiteral("rpm"));
    });
}

TEST_F(CatalogueBound, FilesThatHoldMoreThanACatalogueFileMayAreNotRead) {
    struct Case {
        const char* name;
        QString path;
        qint64 size; // -1: a link to a device that never ends
        qsizetype limit;
    };
    const Case cases[] = {
        {"a stored file", QStringLiteral("text/ita/info.zip"), CatalogueBlobs::MaxStoredBytes + 1,
         CatalogueBlobs::MaxStoredBytes},
        {"a scrambled file", QStringLiteral("text/ita/errsae.zip"), CatalogueBlobs::MaxStoredBytes + 1,
         CatalogueBlobs::MaxStoredBytes},
        {"a plain file", QStringLiteral("text/tipoatt.txt"), MaxExpandedBytes + 1, MaxExpandedBytes},
        {"a device that never ends", QStringLiteral("text/ita/info.zip"), -1, CatalogueBlobs::MaxStoredBytes},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.size < 0) {
            QFile::remove(c.path);
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), c.path));
        } else {
            WriteSparseFile(c.path, c.size);
        }
        const LogCapture log;
        EXPECT_EQ(Catalogue::InitText(Italian, CodecOn, NoMaker), 1) << c.name;
        // A device is no regular file: it is not read at all.
        const std::string file = c.path.toStdString();
        EXPECT_TRUE(log.Contains(c.size < 0 ? "main: catalogue: " + file + " is not a regular file: taken as missing"
                                            : TooBig(file, c.limit)))
            << c.name;
        Catalogue::WithState([&](Catalogue::State& s) {
            const Catalogue::CatalogueTables& t = s.tables;
            const TTextTable* table = c.path.endsWith(QStringLiteral("info.zip"))     ? t.infoTexts.get()
                                      : c.path.endsWith(QStringLiteral("errsae.zip")) ? t.faultTexts.get()
                                                                                       : t.activationKinds.get();
            ASSERT_NE(table, nullptr) << c.name;
            EXPECT_EQ(table->Count(), 0) << c.name;
        });
        ExpectTheOtherTables();
    }
}

namespace {

// A system short of memory for large texts: room of more than this for an expanded text
// cannot be had.
constexpr qsizetype RoomThatFails = 512 * 1024;
void FailLargeRooms(qsizetype bytes) {
    if (bytes > RoomThatFails)
        throw std::bad_alloc();
}

std::chrono::system_clock::time_point AnHourAhead() { return std::chrono::system_clock::now() + std::chrono::hours(1); }

std::string OutOfMemory(const std::string& file) {
    return "main: catalogue: Expand: " + file + " cannot be expanded: out of memory";
}

} // namespace

TEST_F(CatalogueBound, AFileWhoseExpansionCannotBeAllocatedGivesJustThatTableEmpty) {
    struct Case {
        const char* file;
        QByteArray stored; // holds more text than the room that can be had
        std::function<const TTextTable*(const Catalogue::CatalogueTables&)> table;
    };
    const qsizetype copies = RoomThatFails / 30 + 1; // every line below holds more than 30 bytes
    const Case cases[] = {
        {"umis.zip", Compressed(UnitLine.repeated(RoomThatFails / UnitLine.size() + 1)),
         [](const Catalogue::CatalogueTables& t) { return t.unitTexts.get(); }},
        {"ecu.zip", Compressed(EcuLine(0x20, "ECU twenty").repeated(copies)),
         [](const Catalogue::CatalogueTables& t) { return t.ecuTexts.get(); }},
        {"errsae.zip", Scrambled(ErrorLine(0x0300, "Generic P0300").repeated(copies), FileKey),
         [](const Catalogue::CatalogueTables& t) { return t.faultTexts.get(); }},
    };
    for (const Case& c : cases) {
        SetUp();
        const QString path = italianFolder + QLatin1String(c.file);
        WriteFile(path, c.stored);
        const LogCapture log;
        CatalogueBlobs::SetRoomHook(&FailLargeRooms);
        std::int32_t result = 0;
        EXPECT_NO_THROW(result = Catalogue::InitText(Italian, CodecOn, NoMaker)) << c.file;
        CatalogueBlobs::SetRoomHook(nullptr);
        EXPECT_EQ(result, 1) << c.file;
        EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady) << c.file;
        EXPECT_TRUE(log.Contains(OutOfMemory(path.toStdString()))) << c.file;
        Catalogue::WithState([&](Catalogue::State& s) {
            const TTextTable* table = c.table(s.tables);
            ASSERT_NE(table, nullptr) << c.file;
            EXPECT_EQ(table->Count(), 0) << c.file;
            EXPECT_EQ(s.tables.activationTexts->GetText(7).trimmed(), QStringLiteral("Fan ita")) << c.file;
        });
        ExpectTheOtherTables();
    }

    // Once the shortage has passed, the next message reads the units again, though the file has
    // long stood unchanged: a table that memory was short for is not kept as the file's.
    SetUp();
    WriteFile(italianFolder + QStringLiteral("umis.zip"), cases[0].stored);
    Catalogue::CatalogueFileCache::SetWallClock(&AnHourAhead);
    CatalogueBlobs::SetRoomHook(&FailLargeRooms);
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    CatalogueBlobs::SetRoomHook(nullptr);
    QString lines[4];
    Catalogue::BuildMessageText(1, Catalogue::SourceUnits, 0, &lines[0], &lines[1], &lines[2], &lines[3], nullptr);
    Catalogue::CatalogueFileCache::SetWallClock(nullptr);
    EXPECT_EQ(lines[0], QStringLiteral("rpm"));
}
