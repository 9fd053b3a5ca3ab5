#include "SerialLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace SerialLine {
namespace {

struct BaudEntry {
    int baud;
    speed_t speed;
};

constexpr BaudEntry BaudTable[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},         {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void SetWhy(std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
}

} // namespace

std::optional<speed_t> BaudConstant(int baud) {
    for (const BaudEntry& entry : BaudTable)
        if (entry.baud == baud)
            return entry.speed;
    return std::nullopt;
}

int BaudFromConstant(speed_t speed) {
    for (const BaudEntry& entry : BaudTable)
        if (entry.speed == speed)
            return entry.baud;
    return 0;
}

std::optional<termios> BuildTermios(const termios& base, const LineSettings& settings, std::string* why) {
    const std::optional<speed_t> speed = BaudConstant(settings.baud);
    if (!speed) {
        SetWhy(why, "unsupported baud rate " + std::to_string(settings.baud));
        return std::nullopt;
    }
    tcflag_t size = 0;
    switch (settings.byteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default:
        SetWhy(why, "unsupported byte size " + std::to_string(settings.byteSize));
        return std::nullopt;
    }

    termios t = base;
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= size | CLOCAL | CREAD;
    switch (settings.parity) {
    case 'E': t.c_cflag |= PARENB; break;
    case 'O': t.c_cflag |= PARENB | PARODD; break;
    case 'M': t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 'S': t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    switch (settings.stopBits) {
    case 2: // one and a half: what CSTOPB gives a 5-bit character
        if (settings.byteSize != 5) {
            SetWhy(why, "one and a half stop bits need 5 data bits");
            return std::nullopt;
        }
        t.c_cflag |= CSTOPB;
        break;
    case 3: t.c_cflag |= CSTOPB; break;
    default: break;
    }
    // Reads never block in the driver: the wait for a byte is a poll with its own time-out.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return t;
}

int OpenExclusive(const std::string& path, std::string* why) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetWhy(why, ErrnoText(("open " + path).c_str()));
        return -1;
    }
    termios probe{};
    if (::tcgetattr(fd, &probe) != 0) {
        SetWhy(why, ErrnoText((path + " is not a serial device").c_str()));
        ::close(fd);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        SetWhy(why, ErrnoText((path + " is in use").c_str()));
        ::close(fd);
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        SetWhy(why, ErrnoText(("TIOCEXCL " + path).c_str()));
        ::close(fd);
        return -1;
    }
    return fd;
}

bool Configure(int fd, const LineSettings& settings, std::string* why) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) {
        SetWhy(why, ErrnoText("tcgetattr"));
        return false;
    }
    const std::optional<termios> wanted = BuildTermios(current, settings, why);
    if (!wanted)
        return false;
    if (::tcsetattr(fd, TCSANOW, &*wanted) != 0) {
        SetWhy(why, ErrnoText("tcsetattr"));
        return false;
    }
    return true;
}

bool Close(int fd) {
    // The exclusive flag belongs to the tty, not to this descriptor: a device that someone else
    // keeps open (a pseudo-terminal's other side) would refuse every later open without this.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    return ::close(fd) == 0;
}

bool ReadByte(int fd, std::uint8_t* byte, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready <= 0 || !(p.revents & POLLIN))
        return false;
    return ::read(fd, byte, 1) == 1;
}

bool WaitReadable(int fd, int waitMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(waitMs);
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0)));
        if (ready == 0)
            return false;
        if (ready < 0 && errno == EINTR)
            continue;
        // A hung-up line reports itself readable too, with nothing to read: only bytes that
        // are really there count.
        if (ready > 0 && (p.revents & POLLIN) && BytesWaiting(fd) > 0)
            return true;
        const auto rest = deadline - steady_clock::now();
        if (rest > steady_clock::duration::zero())
            std::this_thread::sleep_for(rest);
        return false;
    }
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n, int timeoutMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t written = ::write(fd, data + done, n - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

bool PurgeInput(int fd) {
    return ::tcflush(fd, TCIFLUSH) == 0;
}

int BytesWaiting(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

} // namespace SerialLine
