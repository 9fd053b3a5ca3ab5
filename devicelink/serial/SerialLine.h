#pragma once
// The POSIX termios side of a serial port: exclusive opening, line settings, the one-byte read
// with its short wait, whole writes within a deadline, and the input purge. Nothing here knows
// the device; TCommPort puts the link's figures on top.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <termios.h>

struct LineSettings {
    int baud = 9600;
    char parity = 'N';     // 'E' even, 'O' odd, 'M' mark, 'S' space, anything else none
    std::uint8_t byteSize = 8; // 5 to 8
    int stopBits = 1;      // 1 one, 2 one and a half, 3 two, anything else one
};

namespace SerialLine {

// The termios speed of a baud rate, or nothing for a rate the kernel has no constant for.
std::optional<speed_t> BaudConstant(int baud);
int BaudFromConstant(speed_t speed); // 0 for an unknown constant

// The raw line that the settings describe, on top of base (as read from the device). Nothing,
// with the reason in *why, when the settings cannot be expressed: an unknown rate, a byte size
// outside 5 to 8, or one and a half stop bits with more than 5 data bits (a UART gives 1.5 stop
// bits only for 5-bit characters; the same combination is refused on other systems too).
std::optional<termios> BuildTermios(const termios& base, const LineSettings& settings, std::string* why);

// Opens an existing serial device for reading and writing, for this process only: an flock
// (which also holds against root) and TIOCEXCL (which holds against other users' opens).
// Returns the descriptor, or -1 with the reason in *why.
int OpenExclusive(const std::string& path, std::string* why);
bool Configure(int fd, const LineSettings& settings, std::string* why);
// Ends the exclusive use and closes. false when close itself failed.
bool Close(int fd);

// Waits up to waitMs for one byte. true when a byte arrived.
bool ReadByte(int fd, std::uint8_t* byte, int waitMs);
// Waits up to waitMs until bytes wait to be read; true when they do. An error or a hang-up on
// the line (a pseudo-terminal whose other side closed, an adapter pulled out) is reported by poll
// at once and for ever, as readable with nothing to read: the wait is then slept out, so that a
// reader never spins on it.
bool WaitReadable(int fd, int waitMs);
// Writes all n bytes within timeoutMs; true only when every byte was written.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t n, int timeoutMs);
// Discards what the driver holds as input.
bool PurgeInput(int fd);
// Bytes the driver holds as input, -1 on failure.
int BytesWaiting(int fd);

} // namespace SerialLine
