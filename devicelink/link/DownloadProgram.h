#pragma once
// The download of the device program below the data folder: the file in blocks of blockSize
// bytes, each block a program-block frame at its load address from 0xC80000 on, acknowledged by
// the device within 1000 ms.
//
// The status byte (9) of a block's acknowledgement reports on the block sent before it: 0
// (after the first round) makes the previous block go again, then the download continues after
// the one just acknowledged. A round whose answer is not accepted is repeated; the sixth such
// round in a row ends the download, and so does a device that asks for more blocks again than
// the program has. Every block frame carries blockSize bytes; behind the end of
// the file the last one is filled with zeros.
//
// A file that cannot be opened, is empty, cannot be sought or gives fewer bytes than it holds
// fails the download (12): the device must never be told to start a program it did not get.
#include "DeviceClock.h"
#include "DeviceProtocol.h"

#include <QString>

#include <cstddef>
#include <cstdint>

class TKrixThread;

namespace Download {
constexpr int MaxFailedRounds = 6;
constexpr std::size_t StatusOffset = 9;
constexpr std::uint8_t PreviousBlockBad = 0;
constexpr std::uint32_t BluetoothBlockPauseMs = 20;
} // namespace Download

// What the download reads: the program file, or a stand-in in tests.
class ProgramSource {
public:
    virtual ~ProgramSource() = default;
    virtual std::int64_t size() = 0;
    // Reads up to n bytes at offset; the count read, or -1 when the offset cannot be reached.
    virtual std::int64_t readAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) = 0;
};

// dataDirectory + "krix/krix/dgn%02d/%04d____.exe" with (program / 50 + 1, program).
QString ProgramFilePath(const QString& dataDirectory, std::int32_t programNumber);

// The block loop on any source: 11 done, 12 failed. pauseAfterBlockMs: a pause after each block
// is written, before its acknowledgement is read (the Bluetooth modules need it).
RxResult downloadBlocks(DeviceProtocol& device, const DeviceClock& clock, ProgramSource& source,
                        std::size_t blockSize, std::uint32_t pauseAfterBlockMs = 0);

// The thread's program file (data directory and program number) on its device.
RxResult downloadProgram(TKrixThread& thread, std::size_t blockSize);
