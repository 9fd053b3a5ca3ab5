// The catalogues that a message reads as they stand at that message (sources 1 to 4 and 10): a
// changed file gives its new text at the next message while the tables that InitText loaded keep
// theirs, an unchanged file is read once, and the debug line a read writes is written at every
// message, as reading the file each time would write it.
#include "CatalogueFileCache.h"
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LogCapture.h"
#include "MessageTexts.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace CatalogueFixture;
using Catalogue::CatalogueFileCache;
using Catalogue::State;
using Catalogue::WithState;
using Clock = std::chrono::system_clock;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr int NoMaker = 0;
constexpr std::uint8_t StoredLevel = 0; // compression level: stored, so a text's length sets the file's size
// The five catalogues read through InitText and again by the messages.
constexpr int FilesReadByInitText = 5;

Clock::time_point clockNow;
Clock::time_point TestClock() { return clockNow; }
void SetClock(Clock::time_point now) {
    clockNow = now;
    CatalogueFileCache::SetWallClock(&TestClock);
}

Clock::time_point ChangeTime(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(st.st_ctim.tv_sec) +
                                                                         std::chrono::nanoseconds(st.st_ctim.tv_nsec)));
}

QString Message(std::int32_t id, std::int32_t source) {
    QString lines[4];
    QString keys;
    Catalogue::BuildMessageText(id, source, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    return lines[0];
}

int Reads() {
    return WithState([](State& s) { return s.tables.files.Reads(); });
}

QString LoadedParameter(int id) {
    return WithState([&](State& s) { return s.tables.parameterTexts->GetText(id).trimmed(); });
}

QByteArray Parameters(const QByteArray& speed) {
    return ItemLine(3, speed, "Engine speed ita") + ItemLine(4, "Temp ita", "Coolant ita");
}

class MessageReread : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        LanguageTexts texts = SampleTexts("ita");
        texts.param = Parameters("Speed ita");
        languageFolder = WriteLanguage("ita", texts);
        paramZip = languageFolder + QStringLiteral("param.zip");
        WriteFile(paramZip, qCompress(texts.param, StoredLevel));
        WriteSharedTexts(DelimitedLine(1, "#F1=1#"), QByteArray());
    }
    void TearDown() override {
        CatalogueFileCache::SetWallClock(nullptr);
        ResetCatalogue();
    }

    WorkingFolder folder;
    QString languageFolder;
    QString paramZip;
};

} // namespace

TEST_F(MessageReread, AMessageReadsTheFileAsItStandsAtThatMessage) {
    const auto rewrite = [&](const QByteArray& bytes) { WriteFile(paramZip, bytes); };
    struct Case {
        const char* name;
        std::function<void()> change;
        std::string text;
        bool sameSize = false;
    };
    const Case cases[] = {
        {"another text of another length", [&] { rewrite(qCompress(Parameters("Engine speed ita"))); },
         "Engine speed ita"},
        {"the same length with another modification time",
         [&] {
             rewrite(qCompress(Parameters("Sp33d ita"), StoredLevel));
             QFile file(paramZip);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(10), QFileDevice::FileModificationTime);
         },
         "Sp33d ita", true},
        {"another file of the same length moved into its place",
         [&] {
             const QString other = languageFolder + QStringLiteral("other.zip");
             WriteFile(other, qCompress(Parameters("Sp44d ita"), StoredLevel));
             ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(paramZip).constData()), 0);
         },
         "Sp44d ita", true},
        {"removed", [&] { QFile::remove(paramZip); }, ""},
        {"no longer a stream", [&] { rewrite("\x00\x00\x00\x10not a stream"); }, ""},
    };
    for (const Case& c : cases) {
        SetUp();
        // Every file has stood unchanged long enough to be trusted.
        SetClock(Clock::now() + std::chrono::hours(1));
        Catalogue::InitText(Italian, CodecOn, NoMaker);
        EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ita")) << c.name;
        const qint64 size = QFileInfo(paramZip).size();
        c.change();
        if (c.sameSize) {
            EXPECT_EQ(QFileInfo(paramZip).size(), size) << c.name;
        }
        EXPECT_EQ(Message(3, Catalogue::SourceParameters).toStdString(), c.text) << c.name;
        EXPECT_EQ(LoadedParameter(3), QStringLiteral("Speed ita")) << c.name; // InitText's table keeps its text
        EXPECT_EQ(Message(4, Catalogue::SourceParameters).toStdString(), c.text.empty() ? "" : "Temp ita") << c.name;
    }
}

TEST_F(MessageReread, AnUnchangedFileIsReadOnceForEveryMessage) {
    SetClock(Clock::now() + std::chrono::hours(1));
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    EXPECT_EQ(Reads(), FilesReadByInitText);
    struct Case {
        std::int32_t source;
        std::int32_t id;
        const char* text;
    };
    const Case cases[] = {{Catalogue::SourceParameters, 4, "Temp ita"}, {Catalogue::SourceStatuses, 2, "Switch ita"},
                          {Catalogue::SourceInfo, 1, "VIN ita"},        {Catalogue::SourceActivations, 7, "Fan ita"},
                          {Catalogue::SourceUnits, 2, "degC ita"}};
    for (int round = 0; round < 3; ++round)
        for (const Case& c : cases)
            EXPECT_EQ(Message(c.id, c.source), QString::fromLatin1(c.text)) << c.source;
    // The messages share the tables that InitText read.
    EXPECT_EQ(Reads(), FilesReadByInitText);
}

TEST_F(MessageReread, AFileThatChangedJustBeforeItWasReadIsReadAgainUntilItHasSettled) {
    const Clock::time_point changed = ChangeTime(paramZip);
    const auto justAfter = changed + CatalogueFileCache::SettleTime / 2;
    SetClock(justAfter);
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    const int afterInitText = Reads();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ita"));
        EXPECT_EQ(Reads(), afterInitText + i); // it could have changed again within the same tick
    }
    SetClock(changed + CatalogueFileCache::SettleTime);
    EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ita"));
    EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ita"));
    EXPECT_EQ(Reads(), afterInitText + 4); // read once more, then trusted
}

TEST_F(MessageReread, TheDebugLineOfAReadIsWrittenAtEveryMessage) {
    WriteFile(languageFolder + QStringLiteral("stati.zip"), QByteArray("\x00\x00\x01\x00no stream", 13));
    SetClock(Clock::now() + std::chrono::hours(1));
    const LogCapture log;
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    const std::string line = "main: catalogue: Expand: text/ita/stati.zip does not expand";
    EXPECT_EQ(log.Count(line), 1u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Message(2, Catalogue::SourceStatuses), QString());
    EXPECT_EQ(log.Count(line), 4u);
    EXPECT_EQ(Reads(), FilesReadByInitText);
}

TEST_F(MessageReread, AFileDatedInTheFutureIsReadOnceWhenItsChangeHasSettled) {
    // An installation copied with its times kept, from a machine whose clock runs ahead: the
    // modification time lies a day ahead, the change time is when it was written here.
    {
        QFile file(paramZip);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(1), QFileDevice::FileModificationTime));
    }
    SetClock(ChangeTime(paramZip) + CatalogueFileCache::SettleTime);
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    const int afterInitText = Reads();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ita"));
    EXPECT_EQ(Reads(), afterInitText);
}

TEST_F(MessageReread, SwitchingLanguagesBetweenMessagesKeepsTheTablesOfTheFolderInUseOnly) {
    const QByteArray ids[] = {"ita", "eng", "deu", "fra", "esp", "por"};
    std::vector<Language> languages;
    for (int n = 0; n < 6; ++n) {
        languages.push_back({n + 1, ids[n], "CP1258"});
        WriteLanguage(ids[n], SampleTexts(ids[n]));
    }
    WriteFile(QStringLiteral("codec.ini"), CodecIni(languages));
    SetClock(Clock::now() + std::chrono::hours(1));
    Catalogue::InitText(Italian, CodecOn, NoMaker);
    for (int round = 0; round < 2; ++round) {
        for (int n = 0; n < 6; ++n) {
            Catalogue::InitDbText(n + 1, CodecOn);
            const QString tag = QString::fromLatin1(ids[n]);
            EXPECT_EQ(Message(3, Catalogue::SourceParameters), QStringLiteral("Speed ") + tag);
            EXPECT_EQ(Message(2, Catalogue::SourceUnits), QStringLiteral("degC ") + tag);
            std::set<std::string> held;
            for (const QString& f : WithState([](State& s) { return s.tables.files.HeldFolders(); }))
                held.insert(f.toStdString());
            EXPECT_EQ(held, std::set<std::string>{"text/" + ids[n].toStdString() + "/"});
        }
    }
    // InitText's own tables stay those of its language.
    EXPECT_EQ(LoadedParameter(3), QStringLiteral("Speed ita"));
}
