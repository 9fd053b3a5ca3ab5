#include "TCommPort.h"

#include "PortName.h"

#include <QtGlobal>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

TCommPort::TCommPort() = default;

TCommPort::~TCommPort() { close(); }

int TCommPort::PortOpen(int portNo, int baud, char parity, std::uint8_t byteSize, int stopBits,
                        const char* name) {
    const std::string given = (name && *name) ? std::string(name) : ComPortName(portNo);
    qDebug("main: comm: TCommPort::PortOpen(): port=%s", given.c_str());
    if (isOpen())
        return -1;
    std::strncpy(name_, given.c_str(), NameSize - 1);
    name_[NameSize - 1] = '\0';

    auto failed = [](const std::string& why) {
        qDebug("TCommPort : Failed to open COM Port!");
        qDebug("TCommPort : Failed to open COM Port 2!");
        qDebug("main: comm: TCommPort::PortOpen(): %s", why.c_str());
        return -1;
    };
    const std::string path = ResolvePortName(given);
    if (path.empty())
        return failed("not a serial port name: " + given);

    std::string why;
    const int fd = SerialLine::OpenExclusive(path, &why);
    if (fd < 0)
        return failed(why);
    const LineSettings settings{baud, parity, byteSize, stopBits};
    if (!SerialLine::Configure(fd, settings, &why)) {
        SerialLine::Close(fd);
        return failed(why);
    }
    settings_ = settings;
    devicePath_ = path;
    fd_.store(fd);
    open_.store(true);
    return 0;
}

void TCommPort::close() {
    if (!isOpen())
        return;
    const int fd = fd_.exchange(-1);
    if (!SerialLine::Close(fd))
        qWarning("main: comm: TCommPort::close(): closing %s failed", devicePath_.c_str());
    // The descriptor is gone either way; a failed close leaves nothing to retry on Linux.
    open_.store(false);
    devicePath_.clear();
}

bool TCommPort::write(const std::uint8_t* buf, std::size_t n) {
    if (!isOpen() || n == 0 || buf == nullptr)
        return false;
    const int timeout = WriteTotalPerByteMs * static_cast<int>(n) + WriteTotalConstantMs;
    return SerialLine::WriteAll(fd_.load(), buf, n, timeout);
}

bool TCommPort::readByte(std::uint8_t* b) {
    if (!isOpen())
        return false;
    return SerialLine::ReadByte(fd_.load(), b, ReadTotalPerByteMs + ReadTotalConstantMs);
}

bool TCommPort::waitInput(std::uint32_t ms) {
    if (!isOpen()) {
        // Nothing can arrive: the time is waited out all the same, so a reader never spins.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return false;
    }
    return SerialLine::WaitReadable(fd_.load(), static_cast<int>(ms));
}

bool TCommPort::takeByte(std::uint8_t* b) {
    if (!isOpen())
        return false;
    return SerialLine::ReadByte(fd_.load(), b, 0);
}

int TCommPort::purgeInput() {
    if (!isOpen())
        return 0;
    return SerialLine::PurgeInput(fd_.load()) ? 1 : -2;
}

void TCommPort::copyName(char* dst) const {
    std::memcpy(dst, name_, NameSize);
}

int TCommPort::inputQueued() const {
    return isOpen() ? SerialLine::BytesWaiting(fd_.load()) : -1;
}
