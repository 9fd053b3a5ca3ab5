// The exports' copies into caller memory and the main.ini line of the port scan.
#include "CallerCopies.h"
#include "MainIniLine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
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

TEST(CallerCopies, TextsAreCutToTheCallersRoom) {
    const QString text = QString::fromUtf8("Caf\xC3\xA8 ok"); // an e with grave accent
    struct Case {
        std::size_t room;
        std::vector<std::uint16_t> expected;
    };
    const Case cases[] = {
        {360, {'C', 'a', 'f', 0x00E8, ' ', 'o', 'k', 0}},
        {8, {'C', 'a', 'f', 0x00E8, ' ', 'o', 'k', 0}},
        {4, {'C', 'a', 'f', 0}},
        {1, {0}},
    };
    for (const Case& c : cases) {
        std::array<std::uint16_t, 16> out;
        out.fill(0xBEEF);
        EXPECT_EQ(copyToUnicode(text, out.data(), c.room), c.expected.size() - 1) << c.room;
        EXPECT_EQ(std::vector<std::uint16_t>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.expected.size())),
                  c.expected)
            << c.room;
        EXPECT_EQ(out[c.expected.size()], 0xBEEF) << "written past the room of " << c.room;
    }
    std::uint16_t untouched = 0xBEEF;
    EXPECT_EQ(copyToUnicode(text, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 0xBEEF);
    EXPECT_EQ(copyToUnicode(text, nullptr, 360), 0u);
}

TEST(CallerCopies, FieldsAreCopiedWholeAndTerminated) {
    const char field[6] = {'A', '\0', 'B', 'C', 'D', 'E'}; // a fixed-width field, not a string
    char out[6];
    std::memset(out, 'x', sizeof out);
    copyField(out, field, 5);
    EXPECT_EQ(std::string(out, 5), std::string("A\0BC\0", 5));
    EXPECT_EQ(out[5], 'x');
    for (std::size_t n : {0u, 1u}) {
        std::memset(out, 'x', sizeof out);
        copyField(out, field, n);
        EXPECT_EQ(out[0], '\0');
        EXPECT_EQ(out[1], 'x');
    }
}

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
