#pragma once
// The emulator's end of the serial line: a Linux pseudo-terminal. The host opens the slave by
// its name; the emulator reads and writes the master and keeps its own descriptor of the slave
// open (so the line never hangs up between the host's openings) and raw. The line speed the host
// chose is read back from the slave's settings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>

namespace KrixEmu {

class PtyLine {
public:
    explicit PtyLine(std::uint32_t baud); // throws std::system_error
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& SlaveName() const { return slaveName_; }
    // The speed the host's side is set to (0 for a speed without a number).
    std::uint32_t HostBaud() const;
    termios HostSettings() const;
    // Reads what the host wrote, waiting up to waitMs for the first byte; 0 when nothing came.
    std::size_t Read(std::uint8_t* buffer, std::size_t size, int waitMs);
    // Writes all bytes toward the host; false when the host does not take them within a second.
    bool Write(const std::uint8_t* data, std::size_t n);

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
};

std::uint32_t BaudOf(speed_t speed);
speed_t SpeedOf(std::uint32_t baud); // B0 for a rate without a constant

} // namespace KrixEmu
