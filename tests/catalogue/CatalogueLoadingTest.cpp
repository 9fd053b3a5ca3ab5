// Loading the catalogues of a language from a generated installation: every table answers, the
// language folder is only read, and missing, corrupt and hostile files give empty tables.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LogCapture.h"
#include "MessageTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace CatalogueFixture;
using Catalogue::State;
using Catalogue::WithState;

namespace {

constexpr int Italian = 1;
constexpr int English = 2;
constexpr std::uint8_t CodecOn = 1;
constexpr std::uint8_t CodecOff = 0;
constexpr int NoMaker = 0;
constexpr int Opel = 12;          // errlist names "opel", and opel.zip exists
constexpr int MakerWithoutFile = 30; // errlist names "nofile", which does not exist
constexpr int UnknownMaker = 99;  // errlist has no such code

const QByteArray KeyTexts = DelimitedLine(0, "#OK=1#") + DelimitedLine(1, "#F1=1#") + DelimitedLine(2, "#ESC=5#");
const QByteArray ActivationKinds = DelimitedLine(5, "2") + DelimitedLine(7, "6");

QString Trimmed(const QString& s) { return s.trimmed(); }

class CatalogueLoading : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}, {English, "eng", ""}}));
        italianFolder = WriteLanguage("ita", SampleTexts("ita"));
        WriteLanguage("eng", SampleTexts("eng"));
        WriteSharedTexts(KeyTexts, ActivationKinds);
    }
    void TearDown() override { ResetCatalogue(); }

    WorkingFolder folder;
    QString italianFolder;
};

} // namespace

TEST_F(CatalogueLoading, InitTextAnswersFromEveryTable) {
    EXPECT_EQ(Catalogue::InitText(Italian, CodecOn, NoMaker), 1);
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
    EXPECT_EQ(Catalogue::TextFolder(), QStringLiteral("text/ita/"));
    EXPECT_EQ(CatalogueCodec::CodecName(), QStringLiteral("CP1258"));
    WithState([](State& s) {
        Catalogue::CatalogueTables& t = s.tables;
        ASSERT_TRUE(t.ecuTexts && t.activationTexts && t.faultTexts && t.infoTexts && t.parameterTexts &&
                    t.statusTexts && t.statusValueTexts && t.unitTexts && t.activationKinds);
        EXPECT_EQ(Trimmed(t.ecuTexts->GetText(0x1A)), QStringLiteral("ECU 1A ita"));
        EXPECT_EQ(Trimmed(t.activationTexts->GetText(5)), QStringLiteral("Pump ita"));
        EXPECT_EQ(Trimmed(t.activationTexts->GetAuxText(5)), QStringLiteral("Fuel pump test ita"));
        EXPECT_EQ(Trimmed(t.faultTexts->GetText(0x200)), QStringLiteral("Generic P0200 ita"));
        EXPECT_EQ(t.MakerFaultTexts(), t.faultTexts.get());
        EXPECT_EQ(Trimmed(t.infoTexts->GetAuxText(1)), QStringLiteral("Vehicle number ita"));
        EXPECT_EQ(Trimmed(t.parameterTexts->GetText(4)), QStringLiteral("Temp ita"));
        EXPECT_EQ(t.statusValueTexts->GetText(1), QStringLiteral("On ita"));
        EXPECT_EQ(Trimmed(t.statusTexts->GetText(2)), QStringLiteral("Switch ita"));
        EXPECT_EQ(t.unitTexts->GetText(0), QString());
        EXPECT_EQ(t.unitTexts->GetText(2), QStringLiteral("degC ita"));
        EXPECT_EQ(t.activationKinds->GetText(7), QStringLiteral("6"));
        // The message and key tables wait for the first message.
        EXPECT_FALSE(t.messageTexts);
        EXPECT_FALSE(t.keyTexts);
    });
}

TEST_F(CatalogueLoading, TheInstallationIsOnlyRead) {
    const auto before = Snapshot(QStringLiteral("."));
    Catalogue::InitText(Italian, CodecOn, Opel);
    Catalogue::InitDbText(Italian, CodecOn);
    QString lines[4];
    QString keys;
    for (std::int32_t source : {0, 1, 2, 3, 4, 5, 6, 10})
        Catalogue::BuildMessageText(1, source, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    Catalogue::InitText(English, CodecOn, Opel);
    EXPECT_EQ(Snapshot(QStringLiteral(".")), before);
}

TEST_F(CatalogueLoading, WithoutCodecIniTheItalianFolderAndCP1258) {
    QFile::remove(QStringLiteral("codec.ini"));
    const LogCapture debugLines; // so that only the store's own message reaches the error stream
    testing::internal::CaptureStderr();
    Catalogue::InitText(English, CodecOn, NoMaker);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot parse file [./codec.ini]\n");
    EXPECT_EQ(Catalogue::TextFolder(), QStringLiteral("text/ita/"));
    EXPECT_EQ(CatalogueCodec::CodecName(), QStringLiteral("CP1258"));
    WithState([](State& s) { EXPECT_EQ(Trimmed(s.tables.ecuTexts->GetText(0x10)), QStringLiteral("ECU ten ita")); });
    EXPECT_FALSE(QFile::exists(QStringLiteral("codec.ini"))); // read, never written
}

TEST_F(CatalogueLoading, WithTheCodecOffTextsAreLatin1) {
    WriteFile(italianFolder + QStringLiteral("umis.zip"), Compressed(Lines({"", "\xB0" "C"})));
    Catalogue::InitText(Italian, CodecOff, NoMaker);
    EXPECT_EQ(CatalogueCodec::CodecName(), QString());
    WithState([](State& s) { EXPECT_EQ(s.tables.unitTexts->GetText(1), QString::fromUtf8("\u00B0C")); });
    // English has no codec key: the default page.
    Catalogue::InitText(English, CodecOn, NoMaker);
    EXPECT_EQ(CatalogueCodec::CodecName(), QStringLiteral("CP1258"));
}

TEST_F(CatalogueLoading, MissingCorruptAndShortFilesGiveEmptyTables) {
    QFile::remove(italianFolder + QStringLiteral("param.zip"));
    WriteFile(italianFolder + QStringLiteral("info.zip"), QByteArray("\x00\x00\x01\x00garbage, no zlib stream", 27));
    WriteFile(italianFolder + QStringLiteral("stati.zip"), QByteArray("\x01\x02", 2));
    WriteFile(italianFolder + QStringLiteral("errsae.zip"), QByteArray()); // scrambled, empty
    QFile::remove(QStringLiteral("text/tipoatt.txt"));
    LogCapture log;
    EXPECT_EQ(Catalogue::InitText(Italian, CodecOn, NoMaker), 1);
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
    EXPECT_TRUE(log.Contains("main: catalogue: Expand: text/ita/info.zip does not expand"));
    EXPECT_TRUE(log.Contains("main: catalogue: Expand: text/ita/stati.zip is too short to expand (2 bytes)"));
    EXPECT_TRUE(log.Contains("main: catalogue: ExpandScrambled: text/ita/errsae.zip is empty"));
    WithState([](State& s) {
        const Catalogue::CatalogueTables& t = s.tables;
        const TTextTable* emptied[] = {t.parameterTexts.get(), t.infoTexts.get(), t.statusTexts.get(),
                                       t.faultTexts.get(), t.activationKinds.get()};
        for (const TTextTable* table : emptied) {
            ASSERT_NE(table, nullptr);
            EXPECT_EQ(table->Count(), 0);
        }
        EXPECT_EQ(t.MakerFaultTexts(), t.faultTexts.get());
        EXPECT_EQ(Trimmed(t.ecuTexts->GetText(0x10)), QStringLiteral("ECU ten ita")); // the others load
    });
}

TEST(CatalogueBlobs, TheLengthFieldIsOnlyAHint) {
    const QByteArray text = Lines({"00000001 one", "00000002 two"});
    for (quint32 length : {0u, 1u, static_cast<quint32>(text.size()), 0x00100000u, 0xFFFFFFF0u})
        EXPECT_EQ(CatalogueBlobs::Expand(CompressedWithLength(text, length), QStringLiteral("t")), text) << length;
    // Beyond the cap the data still expand whole.
    QByteArray big(CatalogueBlobs::MaxLengthHint + 1000, 'x');
    for (qsizetype i = 0; i < big.size(); i += 4096)
        big[i] = static_cast<char>('a' + (i / 4096) % 26);
    EXPECT_EQ(CatalogueBlobs::Expand(Compressed(big), QStringLiteral("big")), big);
    // A hostile length on a corrupt stream: nothing, quickly, no huge allocation.
    QByteArray hostile = CompressedWithLength(text, 0xFFFFFFFFu);
    hostile.truncate(hostile.size() - 6);
    EXPECT_EQ(CatalogueBlobs::Expand(hostile, QStringLiteral("hostile")), QByteArray());
}

TEST(CatalogueBlobs, AScrambledFileExpandsToTheTextItWasMadeFrom) {
    const QByteArray texts[] = {QByteArray(), QByteArray("x"), ErrorLine(0x100, "Fault one") + ErrorLine(0x200, "Two"),
                                QByteArray("\x00\x7F\x80\xFF", 4)};
    for (const QByteArray& text : texts) {
        for (std::uint8_t fileKey : {std::uint8_t{0x00}, std::uint8_t{0x3C}, std::uint8_t{0xFF}})
            EXPECT_EQ(CatalogueBlobs::ExpandScrambled(Scrambled(text, fileKey), CatalogueBlobs::CatalogueKey,
                                                      QStringLiteral("s")),
                      text)
                << text.toHex().toStdString() << " key " << int{fileKey};
    }
    const QByteArray text = "another installation";
    EXPECT_NE(CatalogueBlobs::ExpandScrambled(Scrambled(text, 1, CatalogueBlobs::CatalogueKey ^ 0x01),
                                              CatalogueBlobs::CatalogueKey, QStringLiteral("s")),
              text);
}

TEST_F(CatalogueLoading, TheMakerCodeChoosesTheMakersOwnFaultFile) {
    WriteFile(italianFolder + QStringLiteral("broken.zip"), QByteArray("\x11not scrambled", 14));
    WriteFile(italianFolder + QStringLiteral("errlist.zip"),
              Compressed(SampleTexts("ita").errlist + DelimitedLine(40, "BROKEN")));
    struct Case {
        const char* name;
        int maker;
        bool own;
        std::string textOf0100;
    };
    const Case cases[] = {
        {"no maker", NoMaker, false, "Generic P0100 ita"},
        {"a maker with its own file", Opel, true, "Opel P0100 ita"},
        {"a maker whose file is missing", MakerWithoutFile, false, "Generic P0100 ita"},
        {"a maker errlist does not name", UnknownMaker, false, "Generic P0100 ita"},
        {"a maker whose file does not expand", 40, true, ""},
    };
    for (const Case& c : cases) {
        Catalogue::InitText(Italian, CodecOn, c.maker);
        WithState([&](State& s) {
            const Catalogue::CatalogueTables& t = s.tables;
            EXPECT_EQ(t.MakerFaultTexts() != t.faultTexts.get(), c.own) << c.name;
            EXPECT_EQ(Trimmed(t.MakerFaultTexts()->GetText(0x100)).toStdString(), c.textOf0100) << c.name;
            EXPECT_EQ(Trimmed(t.faultTexts->GetText(0x100)), QStringLiteral("Generic P0100 ita")) << c.name;
        });
    }
    EXPECT_FALSE(QFile::exists(italianFolder + QStringLiteral("errmake.txt")));
}

TEST_F(CatalogueLoading, InitTextWritesEveryStepsDebugLinesInOrder) {
    for (int maker : {NoMaker, Opel}) {
        SCOPED_TRACE(maker);
        LogCapture log;
        Catalogue::InitText(Italian, CodecOn, maker);
        std::vector<std::string> steps;
        for (const std::string& line : log.Lines())
            if (line.rfind("main: catalogue: InitText: ", 0) == 0)
                steps.push_back(line.substr(std::string("main: catalogue: InitText: ").size()));
        EXPECT_EQ(steps, (std::vector<std::string>{"uncompressing data", "end uncompressing data", "parsing data",
                                                   "end parsing data", "end parsing errmake", "parsing errmake file",
                                                   "end parsing errmake file"}));
    }
}

TEST(CatalogueMakerCode, TheCodeFieldReadAsADecimalNumber) {
    struct Case {
        const char* field; // the three bytes of the record's field
        int code;
    };
    const Case cases[] = {{"12\0", 12},  {" 7\0", 7}, {"7 \0", 7}, {"123", 123},
                          {"ab\0", 0}, {"\0\0\0", 0}, {"-3\0", -3}, {"1x\0", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(Catalogue::MakerCode(c.field, 3), c.code) << std::string(c.field, strnlen(c.field, 3));
}

TEST_F(CatalogueLoading, ASecondLanguageRebuildsEveryTableButTheKeys) {
    Catalogue::InitText(Italian, CodecOn, Opel);
    QString lines[4];
    QString keys;
    Catalogue::BuildMessageText(2, 0, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    EXPECT_EQ(lines[0], QStringLiteral("Turn key ita"));
    const TTextTable* keyTable = WithState([](State& s) { return s.tables.keyTexts.get(); });
    ASSERT_NE(keyTable, nullptr);

    Catalogue::InitText(English, CodecOn, Opel);
    EXPECT_EQ(Catalogue::TextFolder(), QStringLiteral("text/eng/"));
    WithState([&](State& s) {
        const Catalogue::CatalogueTables& t = s.tables;
        EXPECT_EQ(Trimmed(t.ecuTexts->GetText(0x1A)), QStringLiteral("ECU 1A eng"));
        EXPECT_EQ(Trimmed(t.activationTexts->GetText(7)), QStringLiteral("Fan eng"));
        EXPECT_EQ(Trimmed(t.faultTexts->GetText(0x100)), QStringLiteral("Generic P0100 eng"));
        EXPECT_EQ(Trimmed(t.MakerFaultTexts()->GetText(0x300)), QStringLiteral("Opel P0300 eng"));
        EXPECT_EQ(Trimmed(t.infoTexts->GetText(1)), QStringLiteral("VIN eng"));
        EXPECT_EQ(Trimmed(t.parameterTexts->GetText(3)), QStringLiteral("Speed eng"));
        EXPECT_EQ(t.statusValueTexts->GetText(0), QStringLiteral("Off eng"));
        EXPECT_EQ(Trimmed(t.statusTexts->GetText(2)), QStringLiteral("Switch eng"));
        EXPECT_EQ(t.unitTexts->GetText(1), QStringLiteral("rpm eng"));
        EXPECT_FALSE(t.messageTexts); // rebuilt at the next message
        EXPECT_EQ(t.keyTexts.get(), keyTable);
    });
    Catalogue::BuildMessageText(2, 0, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    EXPECT_EQ(lines[0], QStringLiteral("Turn key eng"));
}

TEST_F(CatalogueLoading, TheEndOfTheDriverThreadFreesEveryTableOnce) {
    Catalogue::InitText(Italian, CodecOn, NoMaker); // FaultTexts under two names
    Catalogue::InitDbText(Italian, CodecOn);
    Catalogue::ReleaseCatalogue();
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsNotLoaded);
    EXPECT_EQ(Catalogue::TextFolder(), QString());
    WithState([](State& s) {
        EXPECT_FALSE(s.tables.faultTexts);
        EXPECT_EQ(s.tables.MakerFaultTexts(), nullptr);
        EXPECT_FALSE(s.databaseTexts.dbTexts);
    });
    EXPECT_EQ(Catalogue::DbText(9), QString());

    // A new driver thread forgets the catalogue tables and the folder; the texts stay "loaded"
    // and the database texts stay.
    Catalogue::InitText(Italian, CodecOn, Opel);
    Catalogue::InitDbText(Italian, CodecOn);
    Catalogue::ForgetCatalogue();
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
    EXPECT_EQ(Catalogue::TextFolder(), QString());
    WithState([](State& s) {
        EXPECT_FALSE(s.tables.ecuTexts);
        EXPECT_EQ(s.tables.MakerFaultTexts(), nullptr);
    });
    EXPECT_EQ(Catalogue::DbText(9), QStringLiteral("ECU from db ita"));
}

TEST_F(CatalogueLoading, InitDbTextLoadsTheDatabaseTexts) {
    EXPECT_EQ(Catalogue::FuelText(1), QString()); // no table yet
    Catalogue::InitDbText(English, CodecOn);
    EXPECT_EQ(Catalogue::TextFolder(), QStringLiteral("text/eng/"));
    EXPECT_EQ(Catalogue::FuelText(1), QStringLiteral("Petrol eng"));
    EXPECT_EQ(Catalogue::FuelText(2), QStringLiteral("Diesel eng"));
    EXPECT_EQ(Catalogue::PlantText(4), QStringLiteral("Engine eng"));
    EXPECT_EQ(Catalogue::DbText(9), QStringLiteral("ECU from db eng"));
    EXPECT_EQ(Catalogue::DbText(8), QString());
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsNotLoaded); // only InitText loads the catalogue
}
