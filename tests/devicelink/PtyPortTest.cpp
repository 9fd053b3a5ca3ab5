// The serial layer on a pseudo-terminal: opening by a mapped COM number, the line settings as
// the device side sees them, purge, the empty read, the exclusive open, and the wait for input
// on a line that cannot deliver.
#include "PtyFixture.h"
#include "TPortRegistry.h"
#include "TSeriale.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <utility>

using KrixEmu::Bytes;

TEST_F(PtyFixture, OpensTheMappedComNumberAt38400EightNOne) {
    TSeriale link;
    ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.registeredName(), Slave());
    EXPECT_TRUE(TPortRegistry::instance().contains(Slave()));
    char name[TCommPort::NameSize];
    link.port().copyName(name);
    EXPECT_STREQ(name, "\\\\.\\COM41");

    const termios t = emulator.HostSettings();
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);

    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(TPortRegistry::instance().contains(Slave()));
    EXPECT_TRUE(link.registeredName().isEmpty());
}

TEST_F(PtyFixture, ParityLettersAndStopBitsReachTheLine) {
    // A pseudo-terminal keeps the odd, mark/space and stop-bit flags but always reports 8 bits
    // without parity enabled; the enable bit itself is checked where the settings are built.
    struct Case {
        char parity;
        int stopBits;
        tcflag_t expected;
    };
    const Case cases[] = {
        {'O', 1, PARODD}, {'M', 1, PARODD | CMSPAR}, {'S', 1, CMSPAR}, {'E', 1, 0},
        {'N', 3, CSTOPB}, {'X', 1, 0},               {'N', 7, 0},
    };
    TSeriale link;
    for (const Case& c : cases) {
        ASSERT_EQ(link.OpenRS232(Com, 115200, c.parity, 8, c.stopBits, ""), 0) << c.parity << c.stopBits;
        const termios t = emulator.HostSettings();
        EXPECT_EQ(cfgetospeed(&t), B115200);
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB), c.expected) << c.parity << c.stopBits;
    }
    // One and a half stop bits do not exist for 8-bit characters: the opening fails whole.
    EXPECT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 2, ""), -1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(TPortRegistry::instance().contains(Slave()));
}

TEST_F(PtyFixture, PurgeDropsWaitingInputAndAnEmptyReadReturns) {
    TSeriale link;
    ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    emulator.SendRaw({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(Eventually([&] { return link.port().inputQueued() == 6; }));
    EXPECT_EQ(link.purgeInput(), 1);
    EXPECT_EQ(link.port().inputQueued(), 0);
    std::uint8_t b = 0xEE;
    EXPECT_FALSE(link.readByte(&b));
    EXPECT_EQ(b, 0); // cleared before the read

    emulator.SendRaw({0x42});
    ASSERT_TRUE(Eventually([&] { return link.readByte(&b); }));
    EXPECT_EQ(b, 0x42);
    link.close();
    EXPECT_EQ(link.purgeInput(), 0);
    EXPECT_FALSE(link.readByte(&b));
    const std::uint8_t one = 1;
    EXPECT_FALSE(link.write(1, &one));
}

TEST_F(PtyFixture, SecondOpenOfTheSameDeviceIsRefused) {
    TSeriale first;
    TSeriale second;
    ASSERT_EQ(first.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    EXPECT_EQ(second.OpenRS232(Com, 38400, 'N', 8, 1, ""), -1);
    EXPECT_EQ(second.OpenRS232(-1, 38400, 'N', 8, 1, Slave()), -1); // by its path: the same device
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(TPortRegistry::instance().contains(Slave())); // the refusal did not unregister it

    first.close();
    EXPECT_EQ(second.OpenRS232(-1, 38400, 'N', 8, 1, Slave()), 0);
    EXPECT_TRUE(TPortRegistry::instance().contains(Slave()));
}

TEST_F(PtyFixture, UnknownNamesAreRefused) {
    TSeriale link;
    EXPECT_EQ(link.OpenRS232(-1, 38400, 'N', 8, 1, "ttyS0"), -1);
    EXPECT_EQ(link.OpenRS232(-1, 38400, 'N', 8, 1, "/nonexistent/tty"), -1);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(PtyFixture, AWriteThatCannotFinishIsAFailure) {
    TSeriale link;
    ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    emulator.Stop(); // nobody reads the other side any more: the line fills up
    const Bytes block(527, 0x55);
    bool failed = false;
    for (int i = 0; i < 2000 && !failed; ++i)
        failed = !link.write(block.size(), block.data());
    EXPECT_TRUE(failed); // not reported as written while part of it still waits
}

TEST(SerialWait, ALineThatCannotDeliverWaitsOutTheTimeInsteadOfReturningAtOnce) {
    // A reader that waits on the port and no longer sleeps after an empty read would spin on a
    // line that reports a hang-up at once and for ever, or on a port that is not open.
    constexpr std::uint32_t WaitMs = 40;
    using Steady = std::chrono::steady_clock;
    const auto waited = [](TSeriale& link) {
        const auto start = Steady::now();
        const bool input = link.waitInput(WaitMs);
        return std::pair{input, Steady::now() - start};
    };

    TSeriale closed;
    const auto [closedInput, closedWait] = waited(closed);
    EXPECT_FALSE(closedInput);
    EXPECT_GE(closedWait, std::chrono::milliseconds(WaitMs));

    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    setenv("KRIX_COM48", name, 1);
    TSeriale link;
    ASSERT_EQ(link.OpenRS232(48, 38400, 'N', 8, 1, ""), 0);
    ::close(slave);
    ::close(master); // the line hangs up
    const auto [hungUpInput, hungUpWait] = waited(link);
    EXPECT_FALSE(hungUpInput);
    EXPECT_GE(hungUpWait, std::chrono::milliseconds(WaitMs));
    std::uint8_t b = 0;
    EXPECT_FALSE(link.takeByte(&b));
    link.close();
    unsetenv("KRIX_COM48");
}
