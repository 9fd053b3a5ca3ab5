#include "PtyLine.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <system_error>
#include <unistd.h>

namespace KrixEmu {
namespace {

struct Rate {
    std::uint32_t baud;
    speed_t speed;
};
constexpr Rate Rates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
                          {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
                          {230400, B230400}, {460800, B460800}, {921600, B921600}};
constexpr int WriteTimeoutMs = 1000;

} // namespace

std::uint32_t BaudOf(speed_t speed) {
    for (const Rate& r : Rates)
        if (r.speed == speed)
            return r.baud;
    return 0;
}

speed_t SpeedOf(std::uint32_t baud) {
    for (const Rate& r : Rates)
        if (r.baud == baud)
            return r.speed;
    return B0;
}

PtyLine::PtyLine(std::uint32_t baud) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    slaveName_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, SpeedOf(baud));
    ::cfsetospeed(&t, SpeedOf(baud));
    if (::tcsetattr(slave_, TCSANOW, &t) != 0)
        throw std::system_error(errno, std::generic_category(), "tcsetattr on the pseudo-terminal");
}

PtyLine::~PtyLine() {
    ::close(slave_);
    ::close(master_);
}

termios PtyLine::HostSettings() const {
    termios t{};
    ::tcgetattr(slave_, &t);
    return t;
}

std::uint32_t PtyLine::HostBaud() const {
    const termios t = HostSettings();
    return BaudOf(::cfgetospeed(&t));
}

std::size_t PtyLine::Read(std::uint8_t* buffer, std::size_t size, int waitMs) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0 || !(p.revents & POLLIN))
        return 0;
    const ssize_t n = ::read(master_, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool PtyLine::Write(const std::uint8_t* data, std::size_t n) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(WriteTimeoutMs);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(master_, data + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return true;
}

} // namespace KrixEmu
