#pragma once
// Request/answer transactions with the KRIX device in normal mode, over any ByteLink and on an
// injectable clock. Holds the one transmit and one receive buffer of the link.
//
// Every operation runs whole under the object's lock, so two threads never interleave frames
// or share a half-read buffer; the library's calling order keeps them apart anyway.
#include "ByteLink.h"
#include "DeviceClock.h"
#include "DeviceFrames.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class DeviceProtocol {
public:
    DeviceProtocol(ByteLink& link, const DeviceClock& clock);
    DeviceProtocol(const DeviceProtocol&) = delete;
    DeviceProtocol& operator=(const DeviceProtocol&) = delete;

    // Builds and writes the request of a table row: 11 written, 12 not (or a row and parameter
    // that make no frame: rows of 9 or 11 bytes take no parameter but NoParam).
    RxResult writeRequest(int row, std::uint32_t param);
    // Reads one answer frame into the receive buffer: 11, 10 time-out, 12 refused.
    RxResult RxControlla(std::uint32_t timeoutMs);
    // Compares the received frame with a row's answer: 11, 12, or 13 not available.
    RxResult checkAnswer(int row);
    // writeRequest, RxControlla(3000), checkAnswer; the first result that is not 11.
    RxResult transaction(int row, std::uint32_t param);
    // The fixed 11-byte exchange of a device control code: 11 or 12.
    RxResult DeviceControl(int code, std::uint32_t timeoutMs);

    // The fixed commands: 11 when the answer is accepted, else 12 (time-outs included).
    RxResult sendFixed(const FixedCommand::Frame& command, const std::uint8_t* tail = nullptr,
                       std::size_t tailSize = 0);
    RxResult sendLinkStateQuery();
    RxResult sendMuxWrite(const std::uint8_t (&record)[FixedCommand::MuxRecordSize]);
    RxResult sendMuxRead(); // also requires byte 12 of the answer to be 6
    RxResult sendDeviceBaud(std::uint32_t baud);
    // One block of a program download at its load address; size at most 512.
    RxResult sendProgramBlock(std::uint32_t address, const std::uint8_t* data, std::size_t size);
    // The same frame, only written (the download reads and judges the answer itself): 11
    // written, 12 not.
    RxResult writeProgramBlock(std::uint32_t address, const std::uint8_t* data, std::size_t size);
    RxResult sendProgramStart();
    RxResult sendEcuDirectBlock(const std::uint8_t (&block)[FixedCommand::EcuDirectBlockSize]);
    RxResult sendLetter(char letter);
    RxResult sendDeviceValue();
    RxResult sendDeviceRecord();

    // The last frame read (as many bytes as its read stored) and the last frame written.
    std::vector<std::uint8_t> lastReceived() const;
    std::vector<std::uint8_t> lastWritten() const;
    // The receive buffer itself, for the thread that just ran a transaction.
    const std::uint8_t* rxBuffer() const { return rx_; }

private:
    RxResult writeRequestLocked(int row, std::uint32_t param);
    RxResult readLocked(std::uint32_t timeoutMs);
    RxResult checkAnswerLocked(int row) const;
    RxResult writeLocked(std::size_t n);
    // Writes the first n bytes of the transmit buffer, reads the answer and compares its start.
    RxResult exchangeLocked(std::size_t n, const std::uint8_t* answerStart, std::size_t compared,
                            std::uint32_t timeoutMs);
    // A fixed command: its head, then tail, then the check word; the answer's start compared.
    RxResult fixedLocked(const FixedCommand::Frame& command, const std::uint8_t* tail = nullptr,
                         std::size_t tailSize = 0);
    // Builds a program-block frame in the transmit buffer: its total, or 0 when it does not fit.
    std::size_t buildProgramBlockLocked(std::uint32_t address, const std::uint8_t* data, std::size_t size);

    ByteLink& link_;
    const DeviceClock& clock_;
    mutable std::mutex mutex_;
    std::uint8_t tx_[TransmitBufferSize] = {};
    std::uint8_t rx_[ReceiveBufferSize] = {};
    std::size_t txCount_ = 0;
    std::size_t rxCount_ = 0;
};
