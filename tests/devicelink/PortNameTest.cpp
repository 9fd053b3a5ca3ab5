// Port names, the machine's port list, the registry and the termios line settings.
#include "PortList.h"
#include "PortName.h"
#include "SerialLine.h"
#include "TPortRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() { unsetenv(name_); }

private:
    const char* name_;
};

} // namespace

TEST(PortName, Resolves) {
    ScopedEnv mapped("KRIX_COM5", "/dev/pts/3");
    ScopedEnv empty("KRIX_COM6", "");
    ScopedEnv absent("KRIX_COM1", nullptr);
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"COM5", "/dev/pts/3"},       {"\\\\.\\COM5", "/dev/pts/3"}, {"com5", "/dev/pts/3"},
        {"COM1", "/dev/ttyS0"},       {"\\\\.\\COM12", "/dev/ttyS11"}, {"COM6", "/dev/ttyS5"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"/tmp/some path", "/tmp/some path"},
        {"COM0", ""},                 {"COM", ""},                    {"COM5x", ""},
        {"ttyS0", ""},                {"", ""},                       {"COM-1", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePortName(c.name), c.expected) << c.name;
    EXPECT_EQ(ComPortName(5), "\\\\.\\COM5");
    EXPECT_EQ(ResolvePortName(ComPortName(5)), "/dev/pts/3");
}

TEST(PortList, MappedPortsThenSerialDevicesWithADriver) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("krix_tty_" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    for (const char* tty : {"ttyS0", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM0"})
        std::filesystem::create_directories(root / tty / "device" / "driver");
    std::filesystem::create_directories(root / "tty0");           // a console: no device behind it
    std::filesystem::create_directories(root / "ttyS3" / "device"); // a device without a driver

    const char* env[] = {"PATH=/usr/bin", "KRIX_COM5=/dev/pts/7", "KRIX_COM2=/dev/ttyUSB0", "KRIX_COM=/dev/x",
                         "KRIX_COMX=/dev/y", "KRIX_COM3=", nullptr};
    const std::vector<std::string> ports = ListSerialPorts(env, root.string());
    const std::vector<std::string> expected = {"\\\\.\\COM2", "\\\\.\\COM5", "/dev/ttyACM0", "/dev/ttyS0",
                                               "/dev/ttyS2", "/dev/ttyS10"};
    EXPECT_EQ(ports, expected); // ttyUSB0 is already named by COM2
    std::filesystem::remove_all(root);

    const char* none[] = {nullptr};
    EXPECT_TRUE(ListSerialPorts(none, (root / "missing").string()).empty());
}

TEST(PortRegistry, AddsOnceAndRemovesWhatItHolds) {
    TPortRegistry registry;
    registry.add("/dev/pts/9");
    registry.add("/dev/pts/9");
    registry.add("/dev/ttyS0");
    EXPECT_EQ(registry.names(), (QStringList{"/dev/pts/9", "/dev/ttyS0"}));
    registry.remove("/dev/ttyUSB7");
    EXPECT_EQ(registry.names().size(), 2);
    registry.remove("/dev/pts/9");
    EXPECT_EQ(registry.names(), QStringList{"/dev/ttyS0"});
}

TEST(SerialLineSettings, BuildsTheRawLine) {
    struct Case {
        LineSettings settings;
        tcflag_t set;
        tcflag_t clear;
    };
    const Case cases[] = {
        {{38400, 'N', 8, 1}, CS8, PARENB | PARODD | CMSPAR | CSTOPB},
        {{38400, 'E', 8, 1}, CS8 | PARENB, PARODD | CMSPAR | CSTOPB},
        {{38400, 'O', 8, 1}, CS8 | PARENB | PARODD, CMSPAR | CSTOPB},
        {{38400, 'M', 8, 1}, CS8 | PARENB | PARODD | CMSPAR, CSTOPB},
        {{38400, 'S', 8, 1}, CS8 | PARENB | CMSPAR, PARODD | CSTOPB},
        {{38400, 'e', 8, 1}, CS8, PARENB}, // only the capital letters mean a parity
        {{38400, 'N', 8, 3}, CS8 | CSTOPB, PARENB},
        {{38400, 'N', 8, 0}, CS8, CSTOPB}, // any other code: one stop bit
        {{9600, 'N', 7, 1}, CS7, CSTOPB},
        {{9600, 'N', 5, 2}, CS5 | CSTOPB, 0}, // one and a half: what CSTOPB gives 5-bit characters
    };
    termios base{};
    for (const Case& c : cases) {
        std::string why;
        const auto t = SerialLine::BuildTermios(base, c.settings, &why);
        ASSERT_TRUE(t) << why;
        EXPECT_EQ(t->c_cflag & CSIZE, c.set & CSIZE) << c.settings.parity << c.settings.stopBits;
        EXPECT_EQ(t->c_cflag & (c.set & ~CSIZE), c.set & ~CSIZE) << c.settings.parity << c.settings.stopBits;
        EXPECT_EQ(t->c_cflag & c.clear, 0u) << c.settings.parity << c.settings.stopBits;
        EXPECT_TRUE(t->c_cflag & CLOCAL);
        EXPECT_TRUE(t->c_cflag & CREAD);
        EXPECT_EQ(cfgetospeed(&*t), *SerialLine::BaudConstant(c.settings.baud));
        EXPECT_EQ(t->c_cc[VMIN], 0);
        EXPECT_FALSE(t->c_lflag & (ICANON | ECHO));
    }
}

TEST(SerialLineSettings, RefusesWhatTheLineCannotDo) {
    termios base{};
    const LineSettings refused[] = {
        {38400, 'N', 8, 2}, // one and a half stop bits with 8 data bits
        {38401, 'N', 8, 1}, // no such rate
        {38400, 'N', 9, 1},
        {38400, 'N', 4, 1},
    };
    for (const LineSettings& s : refused) {
        std::string why;
        EXPECT_FALSE(SerialLine::BuildTermios(base, s, &why)) << s.baud << " " << int(s.byteSize);
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(SerialLine::BaudFromConstant(B115200), 115200);
}
