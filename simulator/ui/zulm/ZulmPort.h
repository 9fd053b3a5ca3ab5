#pragma once
// TCommPort1: the serial port of the ZULM unit, the second serial device, which receives the
// current fault code during automatic fault-code scanning. It only opens, configures, writes and
// closes; nothing is read. Every failure raises Exception with a fixed text and leaves the object
// as described at each operation. Used on the window's thread only.
//
// On POSIX the driver's queue sizes are fixed and time-outs are not a port setting, so those two
// steps of the open cannot fail: the write time-out is applied by each write itself.
#include <cstdint>
#include <string>

inline constexpr const char* ZulmOpenError = "COM Port Open Error! Port already open or inexisting!";
inline constexpr const char* ZulmGetStateError = "GetCommState Error!";
inline constexpr const char* ZulmSetStateError = "SetCommState Error!";
inline constexpr const char* ZulmBaudRateError = "Cannot set baud rate!";
inline constexpr const char* ZulmWriteError = "Cannot write string!";
inline constexpr const char* ZulmCloseError = "Error closing serial port!";

// The open failure as the operator reads it: the fixed text, then the port asked for and the
// device it resolved to ("none" when the name names no port), so a wrong KRIX_COM<n> or a
// mistyped name shows at once: "... inexisting! Port: COM5, device: /dev/ttyS4".
std::string ZulmOpenErrorText(const std::string& portName, const std::string& device);

inline constexpr const char* ZulmDefaultPortName = "COM1";
inline constexpr int ZulmDefaultBaudRate = 9600;

// The port's time-outs, in milliseconds. Only the write time-out acts: nothing is read.
struct ZulmTimeouts {
    std::uint32_t ReadInterval = 0;
    std::uint32_t ReadTotalMultiplier = 0;
    std::uint32_t ReadTotalConstant = 0;
    std::uint32_t WriteTotalMultiplier = 0; // per byte
    std::uint32_t WriteTotalConstant = 0;
    bool operator==(const ZulmTimeouts&) const = default;
};
inline constexpr ZulmTimeouts ZulmOpenTimeouts = {200, 1, 2000, 5, 250};

// The line settings the port keeps: 8 data bits, no parity, one stop bit unless changed.
struct ZulmSettings {
    int BaudRate = ZulmDefaultBaudRate;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;   // 0 none
    std::uint8_t StopBits = 0; // 0 one stop bit
    bool operator==(const ZulmSettings&) const = default;
};

class TCommPort1 {
public:
    TCommPort1() = default;
    ~TCommPort1(); // closes the port when it is open
    TCommPort1(const TCommPort1&) = delete;
    TCommPort1& operator=(const TCommPort1&) = delete;

    // Opens and configures the port; nothing when it is open already.
    void Open();
    // Closes the port; nothing when it is closed.
    void Close();
    // Stores the rate; when the port is open it applies at once (on failure the old rate stays).
    void SetBaudRate(int baudRate);
    // One write of the text's characters, without the terminating zero.
    void WriteString(const char* text);
    // Takes effect at the next Open.
    void SetPortName(const std::string& name) { portName_ = name; }
    const char* GetPortName() const { return portName_.c_str(); }

    bool IsOpen() const { return open_; }
    const ZulmSettings& Settings() const { return settings_; }
    const ZulmTimeouts& Timeouts() const { return timeouts_; }

private:
    bool open_ = false;
    ZulmTimeouts timeouts_;
    std::string portName_ = ZulmDefaultPortName;
    ZulmSettings settings_;
    int handle_ = -1;
};
