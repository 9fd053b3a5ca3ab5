#include "ZulmLine.h"

#include "PortName.h"
#include "SerialLine.h"

#include <termios.h>

namespace ZulmLine {
namespace {

char ParityLetter(std::uint8_t parity) {
    static constexpr char Letters[] = {'N', 'O', 'E', 'M', 'S'};
    return parity < sizeof Letters ? Letters[parity] : '?';
}

} // namespace

int Open(const std::string& portName, std::string& device) {
    device = ResolvePortName(portName);
    if (device.empty()) return -1;
    return SerialLine::OpenExclusive(device, nullptr);
}

ConfigureResult Configure(int fd, int baudRate, std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) return ConfigureResult::StateNotRead;
    const char letter = ParityLetter(parity);
    if (letter == '?' || stopBits > 2) return ConfigureResult::StateNotSet;
    LineSettings settings;
    settings.baud = baudRate;
    settings.parity = letter;
    settings.byteSize = byteSize;
    settings.stopBits = stopBits + 1; // the line's codes count from 1
    const std::optional<termios> wanted = SerialLine::BuildTermios(current, settings, nullptr);
    if (!wanted || ::tcsetattr(fd, TCSANOW, &*wanted) != 0) return ConfigureResult::StateNotSet;
    return ConfigureResult::Done;
}

bool Write(int fd, const char* data, std::size_t count, int timeoutMs) {
    return SerialLine::WriteAll(fd, reinterpret_cast<const std::uint8_t*>(data), count, timeoutMs);
}

bool Close(int fd) { return SerialLine::Close(fd); }

} // namespace ZulmLine
