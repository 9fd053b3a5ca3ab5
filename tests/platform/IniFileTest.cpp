// INI objects on disk: loading, the saved layout, the crash-safe save and the file-backed object.
#include "FileBytes.h"
#include "IniFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarvico-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
        return bytes;
    }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static ino_t InodeOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_ino;
    }

    fs::path dir_;
};

// Comments, odd spacing, a preamble, duplicate keys and sections in mixed case, LF and CR ends.
const std::string messyFile =
    "; Simulation of an engine ECU\r\n"
    "PROTOCOL=3\r\n"
    "\r\n"
    "   [ Protocol ]   \r\n"
    "Type = KL\n"
    "  ; the multiplexer\r\n"
    "SetMux=000B00304000   \r"
    "\t\r\n"
    "[KL]\r\n"
    "Baude=10400\r\n"
    "Parit\xE0=EVEN\r\n"
    "baude = 9600\r\n"
    "a line without a key\r\n"
    "\r\n\r\n"
    "[PROTOCOL]\r\n"
    "PROTOCOL=3\r\n"
    "[Maker]\r\n"
    "Maker=\r\n";

const std::string messyFileSaved =
    "[Protocol]\r\n"
    "Type=KL\r\n"
    "SetMux=000B00304000\r\n"
    "\r\n"
    "[KL]\r\n"
    "Baude=10400\r\n"
    "Parit\xE0=EVEN\r\n"
    "baude=9600\r\n"
    "a line without a key\r\n"
    "\r\n"
    "[PROTOCOL]\r\n"
    "PROTOCOL=3\r\n"
    "\r\n"
    "[Maker]\r\n"
    "Maker=\r\n"
    "\r\n";

TEST_F(IniFileTest, LoadsAFileAndSavesItInTheNormalisedLayout) {
    const std::string path = PathOf("simul1.ini");
    Put(path, messyFile);
    TMemIniFile ini(path);
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_EQ(ini.ReadString("KL", "BAUDE", ""), "9600");
    EXPECT_EQ(ini.ReadString("protocol", "SetMux", "none"), "none"); // hidden by [PROTOCOL]
    EXPECT_EQ(ini.ReadInteger("PROTOCOL", "PROTOCOL", 0), 3);
    ini.UpdateFile();
    EXPECT_EQ(Get(path), messyFileSaved);

    TMemIniFile again(path); // the saved layout loads and saves to the same bytes
    again.UpdateFile();
    EXPECT_EQ(Get(path), messyFileSaved);
}

TEST_F(IniFileTest, TheParitaKeyKeepsItsByteThroughLoadEditAndSave) {
    const std::string path = PathOf("kline.ini");
    const std::string bytes = "[KL]\r\nParit\xE0=EVEN\r\nNote=caf\xE9 \x80\xFF\r\n\r\n";
    Put(path, bytes);
    TMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString("KL", "Parit\xE0", ""), "EVEN");
    EXPECT_EQ(ini.ReadString("KL", "Note", ""), "caf\xE9 \x80\xFF");
    ini.UpdateFile();
    EXPECT_EQ(Get(path), bytes);

    ini.WriteString("kl", "Parit\xE0", "ODD");
    ini.UpdateFile();
    EXPECT_EQ(Get(path), "[KL]\r\nParit\xE0=ODD\r\nNote=caf\xE9 \x80\xFF\r\n\r\n");
}

TEST_F(IniFileTest, AMissingFileLoadsEmptyAndAnUnreadableOneRaises) {
    TMemIniFile missing(PathOf("nothing.ini"));
    EXPECT_EQ(missing.Text(), "");
    EXPECT_FALSE(fs::exists(PathOf("nothing.ini"))); // reading creates nothing

    fs::create_directory(PathOf("folder.ini"));
    try {
        TMemIniFile folder(PathOf("folder.ini"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot read file " + PathOf("folder.ini") + ": Is a directory");
    }
}

TEST_F(IniFileTest, SaveAsWritesTheNewFileAndLeavesTheOldOne) {
    const std::string oldPath = PathOf("a.ini"), newPath = PathOf("b.ini");
    Put(oldPath, "[A]\r\nk=1\r\n\r\n");
    TMemIniFile ini(oldPath);
    ini.WriteString("A", "k", "2");
    ini.SetFileName(newPath);
    ini.UpdateFile();
    EXPECT_EQ(ini.FileName(), newPath);
    EXPECT_EQ(Get(oldPath), "[A]\r\nk=1\r\n\r\n");
    EXPECT_EQ(Get(newPath), "[A]\r\nk=2\r\n\r\n");

    ini.Rename(oldPath, true); // reload: the text is that file's now
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    ini.Rename(PathOf("none.ini"), true);
    EXPECT_EQ(ini.Text(), "");
}

TEST_F(IniFileTest, SavingWithoutAFileNameRaises) {
    TMemIniFile ini;
    ini.WriteString("A", "k", "1");
    EXPECT_THROW(ini.UpdateFile(), Exception);
}

TEST_F(IniFileTest, AFailedSaveRaisesNamingTheFile) {
    TMemIniFile ini;
    ini.SetFileName(PathOf("no-such-folder/simul1.ini"));
    try {
        ini.UpdateFile();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot save file " + PathOf("no-such-folder/simul1.ini") +
                                   ": No such file or directory");
    }
}

TEST_F(IniFileTest, SavingIntoAnUnwritableFolderRaisesAndKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string path = PathOf("simul1.ini");
    Put(path, "[A]\r\nk=old\r\n\r\n");
    TMemIniFile ini(path);
    ini.WriteString("A", "k", "new");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(ini.UpdateFile(), Exception);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Get(path), "[A]\r\nk=old\r\n\r\n");
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"simul1.ini"});
}

TEST_F(IniFileTest, AWriteThatFailsHalfWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const std::string path = PathOf("simul1.ini");
    Put(path, "[A]\r\nk=old\r\n\r\n");
    TMemIniFile ini(path);
    ini.WriteString("A", "k", std::string(64 * 1024, 'x'));

    // A file size limit below the text makes the write fail part-way, even for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    try {
        ini.UpdateFile();
    } catch (const Exception& e) {
        raised = true;
        EXPECT_EQ(e.Message(), "Cannot save file " + path + ": File too large");
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(Get(path), "[A]\r\nk=old\r\n\r\n");
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"simul1.ini"});
}

TEST_F(IniFileTest, ASaveKeepsThePermissionsAndFollowsASymbolicLink) {
    const std::string real = PathOf("real.ini"), link = PathOf("link.ini");
    Put(real, "[A]\r\nk=1\r\n\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, link);
    TMemIniFile ini(link);
    ini.WriteString("A", "k", "2");
    ini.UpdateFile();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(real), "[A]\r\nk=2\r\n\r\n");
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"link.ini", "real.ini"}));
}

TEST_F(IniFileTest, TheFileBackedObjectWritesThroughAndKeepsTheOtherLines) {
    const std::string path = PathOf("SystemSettings.ini");
    Put(path, "; written by hand\r\n"
              "[OPTIONS]\r\n"
              "  ResetTimeout = 60   ; seconds\r\n"
              "DefaultLength=10\r\n"
              "\r\n"
              "; scanning\r\n"
              "[ERROR_SCAN]\n"
              "Scanning mode=0\n");
    TIniFile ini(path);
    ini.WriteInteger("OPTIONS", "ResetTimeout", 30);
    EXPECT_EQ(Get(path), "; written by hand\r\n"
                         "[OPTIONS]\r\n"
                         "ResetTimeout=30\r\n"
                         "DefaultLength=10\r\n"
                         "\r\n"
                         "; scanning\r\n"
                         "[ERROR_SCAN]\r\n"
                         "Scanning mode=0\r\n");
    ini.WriteBool("options", "AutoAnswer", true);
    ini.WriteString("ERROR_SCAN", "Bytes per error", "3");
    ini.WriteString("STRUCTURE_SIZE", "MultiAnswerNum", "8");
    EXPECT_EQ(Get(path), "; written by hand\r\n"
                         "[OPTIONS]\r\n"
                         "ResetTimeout=30\r\n"
                         "DefaultLength=10\r\n"
                         "AutoAnswer=1\r\n"
                         "\r\n"
                         "; scanning\r\n"
                         "[ERROR_SCAN]\r\n"
                         "Scanning mode=0\r\n"
                         "Bytes per error=3\r\n"
                         "\r\n"
                         "[STRUCTURE_SIZE]\r\n"
                         "MultiAnswerNum=8\r\n");
    ini.DeleteKey("OPTIONS", "DefaultLength");
    ini.EraseSection("error_scan");
    EXPECT_EQ(Get(path), "; written by hand\r\n"
                         "[OPTIONS]\r\n"
                         "ResetTimeout=30\r\n"
                         "AutoAnswer=1\r\n"
                         "\r\n"
                         "[STRUCTURE_SIZE]\r\n"
                         "MultiAnswerNum=8\r\n");
}

// The file-backed object's edits of files with comments and odd line ends: every line not
// written stays as it was, comment lines go with the line they stood above.
struct InPlaceEdit {
    const char* rule;
    std::string before;
    std::function<void(TIniFile&)> edit;
    std::string after;
};

const InPlaceEdit inPlaceEdits[] = {
    {"the comment above a removed key goes with the next line",
     "[A]\r\n; about k\r\nk=1\r\n; about j\r\nj=2\r\n",
     [](TIniFile& ini) { ini.DeleteKey("A", "k"); },
     "[A]\r\n; about k\r\n; about j\r\nj=2\r\n"},
    {"... also the comments above every line of a key written twice",
     "[A]\r\n;1\r\nk=1\r\n;2\r\n\r\nK=2\r\n;3\r\nj=3\r\n\r\n[B]\r\n",
     [](TIniFile& ini) { ini.DeleteKey("a", "K"); },
     "[A]\r\n;1\r\n;2\r\n\r\n;3\r\nj=3\r\n\r\n[B]\r\n"},
    {"... and stay above the next section's lines when the key was the last",
     "[A]\r\nj=1\r\n;1\r\nk=1\r\n;2\r\nk=2\r\n\r\n; about B\r\n[B]\r\nb=1\r\n",
     [](TIniFile& ini) { ini.DeleteKey("A", "k"); },
     "[A]\r\nj=1\r\n;1\r\n;2\r\n\r\n; about B\r\n[B]\r\nb=1\r\n"},
    {"a removed section takes the comments right above it, not those above an empty line",
     "[A]\r\nk=1\r\n; end of A\r\n\r\n; about B\r\n; more\r\n[B]\r\nj=1\r\n\r\n"
     "; about C\r\n[C]\r\n",
     [](TIniFile& ini) { ini.EraseSection("b"); },
     "[A]\r\nk=1\r\n; end of A\r\n\r\n; about C\r\n[C]\r\n"},
    {"skipped lines keep their bytes and end in CR LF, whatever ended them",
     "junk\rmore\n\r\n[A]\r;a\r;b\n\n\r\n \t \rk=1\n;c\r\n\n",
     [](TIniFile& ini) { ini.WriteString("A", "k", "2"); },
     "junk\r\nmore\r\n\r\n[A]\r\n;a\r\n;b\r\n\r\n\r\n \t \r\nk=2\r\n;c\r\n\r\n"},
    {"a key added to the last section goes before its trailing comments",
     "[A]\r\nk=1\r\n; the end\r\n", [](TIniFile& ini) { ini.WriteString("A", "j", "2"); },
     "[A]\r\nk=1\r\nj=2\r\n; the end\r\n"},
};

TEST_F(IniFileTest, TheFileBackedObjectEditsInPlace) {
    for (const auto& c : inPlaceEdits) {
        SCOPED_TRACE(c.rule);
        const std::string path = PathOf("settings.ini");
        Put(path, c.before);
        TIniFile ini(path);
        c.edit(ini);
        EXPECT_EQ(Get(path), c.after);
    }
}

TEST_F(IniFileTest, TheFileBackedObjectReadsWhatIsOnDiskNow) {
    const std::string path = PathOf("ProgramSettings.ini");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("LAST_FILE", "Open", "simul1.ini"), "simul1.ini");
    EXPECT_EQ(ini.ReadInteger("ZULM Settings", "Baud Rate", 38400), 38400);
    EXPECT_FALSE(fs::exists(path)); // reading creates nothing

    ini.WriteString("COM Options", "DefaultPort", "COM3"); // the first write creates the file
    EXPECT_EQ(Get(path), "[COM Options]\r\nDefaultPort=COM3\r\n");

    Put(path, "[COM Options]\r\nDefaultPort=COM4\r\n[ZULM Settings]\r\nBaud Rate=$2580\r\n");
    EXPECT_EQ(ini.ReadString("com options", "defaultport", ""), "COM4");
    EXPECT_EQ(ini.ReadInteger("ZULM Settings", "Baud Rate", 0), 9600);
    EXPECT_TRUE(ini.SectionExists("ZULM SETTINGS"));
    EXPECT_TRUE(ini.ValueExists("ZULM Settings", "baud rate"));
    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(list, (TStringList{"COM Options", "ZULM Settings"}));
    ini.ReadSectionValues("COM Options", list);
    EXPECT_EQ(list, TStringList{"DefaultPort=COM4"});

    const ino_t before = InodeOf(path);
    ini.WriteString("COM Options", "DefaultPort", "COM4"); // unchanged: the file is not rewritten
    ini.DeleteKey("COM Options", "missing");
    ini.UpdateFile();
    EXPECT_EQ(InodeOf(path), before);
}

TEST_F(IniFileTest, TheFileBackedObjectRaisesWhenItCannotWrite) {
    TIniFile ini(PathOf("missing-folder/protocol.ini"));
    EXPECT_EQ(ini.ReadInteger("PROTOCOL7", "Mode", 0), 0);
    EXPECT_THROW(ini.WriteInteger("PROTOCOL7", "Mode", 1), Exception);
    EXPECT_THROW(ini.WriteString("PROTOCOL7", "Mode", "1\r\n[X]"), Exception);
}

} // namespace
