// The ZULM unit's port on a pseudo-terminal: the open with its line settings, writes as the unit
// receives them, and the failures with the state they leave.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Exception.h"
#include "PseudoTerminal.h"
#include "ZulmPort.h"

namespace {

using Pty = PseudoTerminal;

std::string FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

} // namespace

TEST(ZulmPortTest, OpensWithTheLineSettingsAndWritesTheText) {
    Pty pty;
    TCommPort1 port;
    EXPECT_STREQ(port.GetPortName(), "COM1");
    EXPECT_EQ(port.Settings(), ZulmSettings{});
    port.SetPortName(pty.Name());
    port.SetBaudRate(38400); // closed: only stored
    EXPECT_FALSE(port.IsOpen());
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Timeouts(), ZulmOpenTimeouts);

    const termios line = pty.Line();
    EXPECT_EQ(cfgetospeed(&line), B38400);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u); // bytes leave unchanged

    port.WriteString("[01 23 45 69");
    EXPECT_EQ(pty.Received(), "[01 23 45 69");
    port.WriteString("");
    EXPECT_EQ(pty.Received(50), "");

    // Open again: still the one port (a second open would find it locked); close twice: once.
    port.Open();
    port.SetBaudRate(9600);
    const termios slower = pty.Line();
    EXPECT_EQ(cfgetospeed(&slower), B9600);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.Close();
    EXPECT_EQ(FailureOf([&] { port.WriteString("x"); }), ZulmWriteError);
    // The name resolver of every port: COM<n> through KRIX_COM<n>.
    setenv("KRIX_COM42", pty.Name().c_str(), 1);
    port.SetPortName("COM42");
    port.Open();
    unsetenv("KRIX_COM42");
    port.WriteString("[00 00 01 01");
    EXPECT_EQ(pty.Received(), "[00 00 01 01");
}

TEST(ZulmPortTest, FailuresLeaveThePortAsTheySay) {
    Pty pty;
    // A port that does not exist, a name that is no port, a port another holds, a COM name on a
    // device that is not there: the fixed text, then the name asked for and the device tried.
    setenv("KRIX_COM43", "/dev/no-such-tty43", 1);
    const struct {
        std::string Name;
        std::string Failure;
    } cases[] = {
        {"/dev/no-such-tty", std::string(ZulmOpenError) + " Port: /dev/no-such-tty, device: /dev/no-such-tty"},
        {"LPT1", std::string(ZulmOpenError) + " Port: LPT1, device: none"},
        {pty.Name(), std::string(ZulmOpenError) + " Port: " + pty.Name() + ", device: " + pty.Name()},
        {"COM43", std::string(ZulmOpenError) + " Port: COM43, device: /dev/no-such-tty43"},
    };
    for (const auto& [name, failure] : cases) {
        TCommPort1 holder;
        if (name == pty.Name()) {
            holder.SetPortName(name);
            holder.Open();
        }
        TCommPort1 port;
        port.SetPortName(name);
        EXPECT_EQ(FailureOf([&] { port.Open(); }), failure) << name;
        EXPECT_FALSE(port.IsOpen()) << name;
    }
    unsetenv("KRIX_COM43");

    // A rate the line cannot take: at open the port is closed again and can be opened later.
    TCommPort1 port;
    port.SetPortName(pty.Name());
    port.SetBaudRate(12345);
    EXPECT_EQ(FailureOf([&] { port.Open(); }), ZulmSetStateError);
    EXPECT_FALSE(port.IsOpen());
    port.SetBaudRate(19200);
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    // While open: the old rate stays, in the settings and on the line.
    EXPECT_EQ(FailureOf([&] { port.SetBaudRate(12345); }), ZulmBaudRateError);
    EXPECT_EQ(port.Settings().BaudRate, 19200);
    const termios line = pty.Line();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_TRUE(port.IsOpen());
}
