#pragma once
// The operating system's side of the ZULM unit's serial port (POSIX termios), kept apart from
// TCommPort1 so the class holds only what the window relies on. Port names go through the one
// resolver of the system ("COM<n>", KRIX_COM<n>, /dev/ttyS<n-1>, or a path).
#include <cstddef>
#include <cstdint>
#include <string>

namespace ZulmLine {

// Opens the named port for reading and writing, for this process only (not shared); the device
// must exist. -1 when it cannot be opened. device: the path the name resolved to, empty when the
// name names no port (so a failure can say which device was tried).
int Open(const std::string& portName, std::string& device);

enum class ConfigureResult { Done, StateNotRead, StateNotSet };

// Reads the port's current settings and applies the four given on top of them. The line is
// raw, as a serial port on the desktop always is: bytes pass unchanged both ways. Parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits:
// 0 one, 1 one and a half, 2 two.
ConfigureResult Configure(int fd, int baudRate, std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits);

// Writes all bytes within timeoutMs; false when a byte was not written.
bool Write(int fd, const char* data, std::size_t count, int timeoutMs);

// Ends the exclusive use and releases the descriptor (also when the close reports a failure,
// which it returns as false).
bool Close(int fd);

} // namespace ZulmLine
