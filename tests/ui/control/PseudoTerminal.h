#pragma once
// A pseudo-terminal in the place of a serial device: a port opens its slave by name; the test
// reads what reaches the master, looks at the line settings through the slave descriptor, and can
// hang the line up by closing the master.
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

class PseudoTerminal {
public:
    PseudoTerminal() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) ADD_FAILURE() << "openpty";
        name_ = name;
    }
    ~PseudoTerminal() {
        HangUp();
        ::close(slave_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& Name() const { return name_; }
    int Slave() const { return slave_; }
    // The line settings the port gave the device.
    termios Line() const {
        termios t{};
        tcgetattr(slave_, &t);
        return t;
    }
    // Everything written to the port so far; waits up to waitMs for the first byte.
    std::string Received(int waitMs = 2000) const {
        std::string bytes;
        if (master_ < 0) return bytes;
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, bytes.empty() ? waitMs : 50) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    // The device side goes away: writes to the port fail from now on.
    void HangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1, slave_ = -1;
    std::string name_;
};
