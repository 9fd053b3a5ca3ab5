// Names that data files give for parts of a path: the language id of codec.ini and the maker
// fault file named by errlist. A hostile name ("../", a NUL that would cut the path) never opens a
// file outside the working folder: the file counts as missing, with a debug line.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LogCapture.h"
#include "MessageTexts.h"
#include "PathPartNames.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

using namespace CatalogueFixture;
using Catalogue::State;
using Catalogue::WithState;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr int HostileMaker = 50;

QString WithNul(const char* before, const char* after) {
    return QString::fromLatin1(before) + QChar(u'\0') + QString::fromLatin1(after);
}
QByteArray Latin1(const QString& s) { return s.toLatin1(); }

// Counts the files opened in a folder (not below it) while it lives.
class OpenWatch {
public:
    explicit OpenWatch(const std::filesystem::path& folder) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(fd_, 0) << errno;
        if (fd_ >= 0) {
            EXPECT_GE(inotify_add_watch(fd_, folder.c_str(), IN_OPEN), 0) << errno;
        }
    }
    ~OpenWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    // The names opened since the last call.
    std::vector<std::string> Opened() {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return names;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                names.emplace_back(e->len > 0 ? e->name : ".");
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    int fd_ = -1;
};

// A working folder with a language of its own, and beside it (outside it) a folder with a whole
// language of texts marked "outside" and the maker fault file opel.zip.
class CatalogueNames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        const std::filesystem::path base = root.path().toStdString();
        outside = base / "outside";
        std::filesystem::create_directories(base / "work");
        std::filesystem::create_directories(outside);
        working.emplace(base / "work");
        ResetCatalogue();
        WriteLanguage("../../outside", SampleTexts("outside")); // text/../../ is the working folder's parent
        WriteLanguage("ita", SampleTexts("ita"));
        WriteSharedTexts(QByteArray(), QByteArray());
        // Where a language without a folder would read from if it read at all: the working folder.
        WriteFile(QStringLiteral("carb.txt"), DelimitedLine(1, "Petrol of the working folder"));
        WriteFile(QStringLiteral("ecu.zip"), Compressed(EcuLine(0x10, "ECU of the working folder")));
    }
    void TearDown() override {
        working.reset();
        ResetCatalogue();
    }

    void LanguageId(const QString& id) {
        WriteFile(QStringLiteral("codec.ini"), "[lingua1]\r\nlingua1_idlingua=" + Latin1(id) + "\r\n");
    }

    QTemporaryDir root;
    std::filesystem::path outside;
    std::optional<WorkingFolder> working;
};

} // namespace

TEST(PathPartNames, OnlyOnePartOfAPathInsideItsFolder) {
    struct Case {
        QString name;
        bool usable;
    };
    const Case cases[] = {
        {QStringLiteral("ita"), true},
        {QStringLiteral("opel"), true},
        {QStringLiteral("a.b"), true},
        {QStringLiteral("..."), true},
        {QStringLiteral("x..y"), true},
        {QStringLiteral("ma ker"), true},
        {QString(), false},
        {QStringLiteral("."), false},
        {QStringLiteral(".."), false},
        {QStringLiteral("../x"), false},
        {QStringLiteral("a/b"), false},
        {QStringLiteral("/etc"), false},
        {QStringLiteral("a\\b"), false},
        {QStringLiteral("..\\x"), false},
        {WithNul("ita", ""), false},
        {WithNul("a", "b"), false},
        {QStringLiteral("a\x01"), false},
        {QStringLiteral("a\t"), false},
        {QStringLiteral("a\x7f"), false},
        {QString(QChar(0x9F)), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathPartNames::Usable(c.name), c.usable) << c.name.toUtf8().toHex().toStdString();
}

TEST_F(CatalogueNames, AHostileLanguageIdReadsNoLanguageAtAll) {
    const QString ids[] = {
        QStringLiteral("../../outside"),
        // The NUL would end the path at the outside file, whatever the library puts behind it.
        WithNul("../../outside/carb.txt", ""),
        WithNul("..", "/outside"),
        QStringLiteral("..\\..\\outside"),
    };
    for (const QString& id : ids) {
        SCOPED_TRACE(id.toUtf8().toHex().toStdString());
        LanguageId(id);
        OpenWatch watch(outside);
        LogCapture log;
        EXPECT_EQ(Catalogue::InitText(Italian, CodecOn, 12), 1);
        Catalogue::InitDbText(Italian, CodecOn);
        QString lines[4];
        QString keys;
        Catalogue::BuildMessageText(1, 0, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
        EXPECT_EQ(watch.Opened(), std::vector<std::string>{});
        EXPECT_TRUE(log.Contains("main: catalogue: ReadLanguageSettings: language id of " +
                                 std::to_string(id.size()) +
                                 " characters refused: it could lead a path out of its folder"));
        // No folder, and no file of the working folder read in its place.
        EXPECT_EQ(Catalogue::TextFolder(), QString());
        EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
        EXPECT_EQ(Catalogue::FuelText(1), QString());
        EXPECT_EQ(lines[0], QString());
        WithState([](State& s) {
            EXPECT_EQ(s.tables.ecuTexts->GetText(0x10), QString());
            EXPECT_EQ(s.tables.faultTexts->GetText(0x100), QString());
            EXPECT_EQ(s.tables.MakerFaultTexts(), s.tables.faultTexts.get());
        });
    }
    // The same installation with a plain id loads, from inside the working folder only.
    LanguageId(QStringLiteral("ita"));
    OpenWatch watch(outside);
    Catalogue::InitText(Italian, CodecOn, 12);
    Catalogue::InitDbText(Italian, CodecOn);
    EXPECT_EQ(watch.Opened(), std::vector<std::string>{});
    EXPECT_EQ(Catalogue::FuelText(1), QStringLiteral("Petrol ita"));
    WithState([](State& s) {
        EXPECT_EQ(s.tables.MakerFaultTexts()->GetText(0x300).trimmed(), QStringLiteral("Opel P0300 ita"));
    });
}

TEST_F(CatalogueNames, AHostileMakerFileNameKeepsTheGenericFaultTexts) {
    LanguageId(QStringLiteral("ita"));
    // text/ita/../../../outside/ is the outside folder.
    const QString names[] = {
        QStringLiteral("../../../outside/opel"),
        WithNul("../../../outside/opel.zip", ""),
        WithNul("opel", "x"),
        QStringLiteral(".."),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toUtf8().toHex().toStdString());
        // In ascending codes, as the table's search needs them.
        WriteFile(QStringLiteral("text/ita/errlist.zip"),
                  Compressed(DelimitedLine(12, "opel") + DelimitedLine(HostileMaker, Latin1(name))));
        OpenWatch watch(outside);
        LogCapture log;
        Catalogue::InitText(Italian, CodecOn, HostileMaker);
        EXPECT_EQ(watch.Opened(), std::vector<std::string>{});
        EXPECT_TRUE(log.Contains("main: catalogue: InitText: maker fault file name of " + std::to_string(name.size()) +
                                 " characters refused: it could lead a path out of its folder"));
        WithState([](State& s) {
            EXPECT_EQ(s.tables.MakerFaultTexts(), s.tables.faultTexts.get());
            EXPECT_EQ(s.tables.MakerFaultTexts()->GetText(0x100).trimmed(), QStringLiteral("Generic P0100 ita"));
        });
    }
    // The plain name beside them still chooses the maker's own file.
    Catalogue::InitText(Italian, CodecOn, 12);
    WithState([](State& s) {
        EXPECT_EQ(s.tables.MakerFaultTexts()->GetText(0x100).trimmed(), QStringLiteral("Opel P0100 ita"));
    });
}
