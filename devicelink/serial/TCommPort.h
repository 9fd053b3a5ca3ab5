#pragma once
// One serial port with the link's fixed figures: the read and write time-outs on which the
// device readers' pacing rests (an empty one-byte read returns after about 21 ms).
//
// The port is opened and closed on one thread while no other thread uses it; reading on one
// thread and writing or purging on another is allowed (the descriptor is read whole).
#include "SerialLine.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class TCommPort {
public:
    // Windows-style time-outs, kept as the figures the readers are paced by.
    static constexpr int ReadIntervalMs = 50;
    static constexpr int ReadTotalPerByteMs = 1;
    static constexpr int ReadTotalConstantMs = 20;
    static constexpr int WriteTotalPerByteMs = 1;
    static constexpr int WriteTotalConstantMs = 20;
    // The driver queues asked for; a Linux tty keeps its own fixed buffers (4096 bytes).
    static constexpr int QueueSize = 1024;
    static constexpr std::size_t NameSize = 50;

    TCommPort();
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // name empty: "\\.\COM<portNo>". The name is resolved to a device by ResolvePortName.
    // 0 on success, -1 when already open or when opening or configuring failed.
    int PortOpen(int portNo, int baud, char parity, std::uint8_t byteSize, int stopBits, const char* name);
    void close();
    bool write(const std::uint8_t* buf, std::size_t n);
    bool readByte(std::uint8_t* b);
    // Waits up to ms for input (a closed port waits out the time); takes a byte already there.
    bool waitInput(std::uint32_t ms);
    bool takeByte(std::uint8_t* b);
    int purgeInput(); // 0 not open, 1 done, -2 failed
    void copyName(char* dst) const; // dst holds NameSize bytes
    bool isOpen() const { return open_.load(); }

    // The device path of the open port (empty when closed).
    const std::string& devicePath() const { return devicePath_; }
    // The settings of the last successful opening.
    const LineSettings& lineSettings() const { return settings_; }
    // Bytes waiting in the driver's input queue, -1 when not open or on failure.
    int inputQueued() const;

private:
    std::atomic<bool> open_{false};
    LineSettings settings_{}; // 9600 8N1 until opened
    std::atomic<int> fd_{-1};
    char name_[NameSize] = {};
    std::string devicePath_;
};
