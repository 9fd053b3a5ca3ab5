// The main.ini line of the port scan.
#include "MainIniLine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class TempFile {
public:
    TempFile() : path_(std::filesystem::temp_directory_path() / ("krix_main_" + std::to_string(::getpid()) + ".ini")) {
        std::filesystem::remove(path_);
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    QString Path() const { return QString::fromStdString(path_.string()); }
    void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::filesystem::path path_;
};

} // namespace

TEST(MainIni, TheComPortLineInANewFileAndInAnExistingOne) {
    TempFile file;
    ASSERT_TRUE(WriteMainIniComPort(file.Path(), 5));
    EXPECT_EQ(file.Read(), "[public]\npublic_comport=5\n");
    ASSERT_TRUE(WriteMainIniComPort(file.Path(), 12)); // replaced, not added
    EXPECT_EQ(file.Read(), "[public]\npublic_comport=12\n");

    // Everything else the file holds stays as it is.
    file.Write("[lingua]\r\nlingua_id=ita\r\n[Public]\r\nPUBLIC_COMPORT = 3\r\npublic_other=1\r\n");
    ASSERT_TRUE(WriteMainIniComPort(file.Path(), 7));
    EXPECT_EQ(file.Read(), "[lingua]\nlingua_id=ita\n[Public]\npublic_comport=7\npublic_other=1\n");

    file.Write("[lingua]\nlingua_id=ita\n[public]\npublic_other=1\n");
    ASSERT_TRUE(WriteMainIniComPort(file.Path(), 2));
    EXPECT_EQ(file.Read(), "[lingua]\nlingua_id=ita\n[public]\npublic_comport=2\npublic_other=1\n");

    file.Write("[lingua]\nlingua_id=ita\n");
    ASSERT_TRUE(WriteMainIniComPort(file.Path(), 9));
    EXPECT_EQ(file.Read(), "[lingua]\nlingua_id=ita\n[public]\npublic_comport=9\n");

    EXPECT_FALSE(WriteMainIniComPort("/nonexistent-folder/main.ini", 1));
}
