// Files of the working folder that are not what they should be, through the built library: a
// named pipe without a writer in the place of a catalogue file, of codec.ini, of a vehicle
// table or of main.ini, and a codec.ini that is a link to /dev/zero. Each case loads the
// library in a child process of its own, which is ended (failing the case) when it outlives a
// generous time or its memory grows past a cap: a call that blocks or reads without end never
// hangs the test or takes the machine's memory.
#include "CatalogueFixtures.h"
#include "ChildRun.h"
#include "KrixEmulator.h"
#include "ProgramFolder.h"
#include "SelectionFixture.h"
#include "SelectionLibrary.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace CatalogueFixture;
namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t Car = 0;
// Far beyond what a case takes; only a call that never returns reaches it.
constexpr auto CallLimit = std::chrono::seconds(20);
constexpr auto ScanLimit = std::chrono::seconds(60);
// The child is ended when its resident memory grows this far past the test's.
constexpr long MemoryCapKb = 512 * 1024;
// What an endless codec.ini may cost at the most.
constexpr long EndlessFileBudgetKb = 200 * 1024;
constexpr std::uint32_t System = 77;
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 700;
constexpr int ConfiguredCom = 41;
constexpr std::size_t StatusTextRoom = 360;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A named pipe that nobody ever writes in the place of path.
void MakePipe(const QString& path) {
    const fs::path p = path.toStdString();
    std::error_code ignored;
    fs::remove(p, ignored);
    fs::create_directories(p.parent_path().empty() ? fs::path(".") : p.parent_path());
    ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0) << p;
}

bool IsPipe(const char* path) {
    struct stat st {};
    return ::lstat(path, &st) == 0 && S_ISFIFO(st.st_mode);
}

// The child's debug output goes to a file of the working folder, read back for its lines.
class DebugOutput {
public:
    DebugOutput() : path_(fs::current_path() / "debug_output.txt") {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::dup2(fd, STDERR_FILENO);
            ::close(fd);
        }
    }
    bool Has(const std::string& text) const { return ReadAll(path_).find(text) != std::string::npos; }

private:
    fs::path path_;
};

// The library's memory settles once it is loaded: a size of the process taken after it.
long ResidentKb() { return ChildRun::StatusKb("self", "VmRSS"); }
long PeakKb() { return ChildRun::StatusKb("self", "VmHWM"); }

void LimitAddressSpace() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // A sanitizer reserves terabytes of address space for itself; without one the child is
    // also held to the address space catalogue_bench gives its cases.
    const rlimit limit{rlim_t{4} << 30, rlim_t{4} << 30};
    ::setrlimit(RLIMIT_AS, &limit);
#endif
}

class OddFiles : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Selection::Language, "ita", "CP1258"}}));
        WriteLanguage("ita", SampleTexts("ita"));
        WriteSharedTexts(DelimitedLine(1, "#F1=1#"), DelimitedLine(1, "kind one"));
    }

    static void ExpectAnswered(const ChildRun::Outcome& o) {
        EXPECT_TRUE(o.exited) << o.report;
        EXPECT_EQ(o.code, 0) << o.report;
    }

    WorkingFolder folder;
};

} // namespace

TEST_F(OddFiles, APipeInTheLanguagesPlaceOfAFileIsTakenAsMissing) {
    // One of each way a file is read: expanded once, kept with its identity, unscrambled,
    // read as it is, and codec.ini itself.
    const char* const files[] = {"text/ita/ecu.zip",  "text/ita/attiva.zip", "text/ita/errsae.zip",
                                 "text/tipoatt.txt",  "text/ita/carb.txt",   "codec.ini"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        WorkingFolder inner;
        SetUp();
        MakePipe(QString::fromLatin1(file));
        const ChildRun::Outcome o = ChildRun::Run(
            [&](std::string& report) {
                const DebugOutput debug;
                SelectionLibrary lib;
                if (!lib.Loaded() || !lib.AllNamedBound()) {
                    report = "cannot bind the library: " + lib.Error();
                    return 2;
                }
                const auto initText = reinterpret_cast<decltype(&::InitText)>(lib.Symbol("InitText"));
                if (initText(Selection::Language, Selection::CodecOn) != 1) {
                    report = "InitText did not answer 1";
                    return 3;
                }
                lib.initDbText(Selection::Language, Selection::CodecOn);
                if (!debug.Has(std::string(file) + " is not a regular file: taken as missing")) {
                    report = "no debug line names the pipe";
                    return 4;
                }
                return 0;
            },
            CallLimit, MemoryCapKb);
        ExpectAnswered(o);
        EXPECT_TRUE(IsPipe(file));
    }
}

TEST_F(OddFiles, ACodecIniThatIsALinkToDevZeroCostsNoMoreThanItsBound) {
    fs::remove("codec.ini");
    fs::create_symlink("/dev/zero", "codec.ini");
    const ChildRun::Outcome o = ChildRun::Run(
        [&](std::string& report) {
            SelectionLibrary lib;
            if (!lib.Loaded() || !lib.AllNamedBound()) {
                report = "cannot bind the library: " + lib.Error();
                return 2;
            }
            const auto initText = reinterpret_cast<decltype(&::InitText)>(lib.Symbol("InitText"));
            LimitAddressSpace();
            const long before = ResidentKb();
            const std::int32_t first = initText(Selection::Language, Selection::CodecOn);
            lib.initDbText(Selection::Language, Selection::CodecOn);
            const long grown = PeakKb() - before;
            report = "peak " + std::to_string(grown) + " kB above the start";
            if (first != 1)
                return 3;
            if (grown > EndlessFileBudgetKb)
                return 4;
            // The defaults apply: the Italian texts are there for a second call as well.
            return initText(Selection::Language, Selection::CodecOn) == 1 ? 0 : 5;
        },
        CallLimit, MemoryCapKb);
    ExpectAnswered(o);
}

TEST_F(OddFiles, APipeInTheVehicleDatabasesPlaceOfATableIsTakenAsMissing) {
    Selection::SelectionDatabase().WriteTo(VehicleDb::CarFolder);
    Selection::WriteTexts();
    const std::string table = std::string(VehicleDb::CarFolder) + "/" + VehicleDb::MakerFile;
    MakePipe(QString::fromStdString(table));
    const ChildRun::Outcome o = ChildRun::Run(
        [&](std::string& report) {
            SelectionLibrary lib;
            if (!lib.Loaded() || !lib.AllNamedBound()) {
                report = "cannot bind the library: " + lib.Error();
                return 2;
            }
            lib.initDbText(Selection::Language, Selection::CodecOn);
            static ListRecord list;
            // Without its maker table the database does not open: no list.
            if (lib.makerList(Car, &list)) {
                report = "MakerList listed makers without a maker table";
                return 3;
            }
            return 0;
        },
        CallLimit, MemoryCapKb);
    ExpectAnswered(o);
    EXPECT_TRUE(IsPipe(table.c_str()));
}

TEST_F(OddFiles, APipeInMainInisPlaceNeitherStopsThePortScanNorIsReplaced) {
    MakePipe(QStringLiteral("main.ini"));
    const fs::path root = folder.Root();
    const ChildRun::Outcome o = ChildRun::Run(
        [&](std::string& report) {
            KrixEmu::KrixEmulator device;
            device.Start();
            // The configured port fails; the scan finds the device on the next one.
            setenv(("KRIX_COM" + std::to_string(ConfiguredCom)).c_str(), (root / "no-such-tty").c_str(), 1);
            setenv(("KRIX_COM" + std::to_string(ConfiguredCom + 1)).c_str(), device.SlaveName().c_str(), 1);
            ProgramFolder data;
            data.WriteProgram(static_cast<int>(System), ProgramSize);
            SelectionLibrary lib;
            if (!lib.Loaded() || !lib.AllBound()) {
                report = "cannot bind the library: " + lib.Error();
                return 2;
            }
            std::array<std::uint16_t, StatusTextRoom> text{};
            if (!lib.CreateThreadKrix(ConfiguredCom, 1) ||
                !lib.SetEcuDirect(System, '-', SetMux, 0, data.DataDir().c_str()) || lib.InitComKrix(0) != 0) {
                report = "the initialisation was not started";
                return 3;
            }
            const std::int32_t status = lib.PollStatusInitKrix(text.data());
            lib.DeleteThreadKrix();
            device.Stop();
            report = "StatusInitKrix " + std::to_string(status);
            return status == 0 ? 0 : 4;
        },
        ScanLimit, MemoryCapKb);
    ExpectAnswered(o);
    EXPECT_TRUE(IsPipe("main.ini"));
}
