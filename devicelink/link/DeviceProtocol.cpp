#include "DeviceProtocol.h"

#include <QtGlobal>

#include <cstring>

using namespace DeviceFrame;

namespace {
// Rows that carry no parameter when NoParam is given: sent as stored with their check word.
bool IsShortRow(int row) {
    return row == RequestRow::EV || row == RequestRow::ActivationStatus || row == RequestRow::AV ||
           (row >= RequestRow::P0 && row <= RequestRow::SU);
}
constexpr std::size_t ParamRowLength = 15;
constexpr std::uint8_t AnswerHead[3] = {Start, Library, Device};
constexpr std::uint8_t NotAvailableBytes4to7[4] = {0x00, 0x0F, 0x62, NotAvailable};
} // namespace

DeviceProtocol::DeviceProtocol(ByteLink& link, const DeviceClock& clock) : link_(link), clock_(clock) {}

RxResult DeviceProtocol::writeRequest(int row, std::uint32_t param) {
    std::lock_guard lock(mutex_);
    return writeRequestLocked(row, param);
}

RxResult DeviceProtocol::RxControlla(std::uint32_t timeoutMs) {
    std::lock_guard lock(mutex_);
    return readLocked(timeoutMs);
}

RxResult DeviceProtocol::checkAnswer(int row) {
    std::lock_guard lock(mutex_);
    return checkAnswerLocked(row);
}

RxResult DeviceProtocol::transaction(int row, std::uint32_t param) {
    std::lock_guard lock(mutex_);
    if (const RxResult r = writeRequestLocked(row, param); r != RECEIVE_OK)
        return r;
    if (const RxResult r = readLocked(AnswerTimeoutMs); r != RECEIVE_OK)
        return r;
    return checkAnswerLocked(row);
}

RxResult DeviceProtocol::DeviceControl(int code, std::uint32_t timeoutMs) {
    std::lock_guard lock(mutex_);
    const DeviceControlFrames& frames = DeviceControlFor(code);
    std::memcpy(tx_, frames.request, DeviceControlSize);
    return exchangeLocked(DeviceControlSize, frames.answer, DeviceControlSize, timeoutMs);
}

RxResult DeviceProtocol::writeRequestLocked(int row, std::uint32_t param) {
    if (row < 0 || row >= RequestRows)
        return RECEIVE_ERR;
    const std::uint8_t* stored = RequestTable[row];
    const std::size_t length = TotalLength(stored);
    std::size_t n = 0;
    if (row == RequestRow::Probe && param == NoParam) {
        std::memcpy(tx_, stored, RowBytes); // as stored, its own check word included
        n = RowBytes;
    } else if (param == NoParam && IsShortRow(row)) {
        std::memcpy(tx_, stored, length - CheckWordSize);
        PutCheckWord(tx_, length);
        n = length;
    } else {
        // The parameter replaces nothing only in the 15-byte rows; a shorter row would lose its
        // own service and command bytes under it.
        if (length != ParamRowLength) {
            qDebug("main: leggikrix: writeRequest: row %d takes no parameter", row);
            return RECEIVE_ERR;
        }
        std::memcpy(tx_, stored, length - 6);
        PutWord32(tx_ + length - 6, param);
        PutCheckWord(tx_, length);
        n = length;
    }
    return writeLocked(n);
}

RxResult DeviceProtocol::writeLocked(std::size_t n) {
    txCount_ = n;
    return link_.write(n, tx_) ? RECEIVE_OK : RECEIVE_ERR;
}

RxResult DeviceProtocol::readLocked(std::uint32_t timeoutMs) {
    std::size_t expected = HeaderSize;
    std::size_t count = 0;
    std::uint32_t gap = timeoutMs; // until the frame starts, then InterByteGapMs
    std::uint64_t last = clock_.msecNow();
    rxCount_ = 0;
    for (;;) {
        if (clock_.stopRequested())
            return RECEIVE_TIME_OUT;
        std::uint8_t b = 0;
        const bool got = link_.readByte(&b);
        // Measured when the read returns, so a byte that arrives after the gap has run out
        // ends the frame as a time-out, however the port's own wait fell.
        if (clock_.msecNow() - last > gap) {
            qDebug("main: leggikrix: RxControlla: RECEIVE_TIME_OUT (%d)", static_cast<int>(gap));
            return RECEIVE_TIME_OUT;
        }
        if (!got) {
            if (!clock_.sleepMs(NoBytePauseMs))
                return RECEIVE_TIME_OUT;
            continue;
        }
        if (count == 0 && b != Start)
            continue; // noise before the frame: dropped, and the time-out runs on
        if (count == 0)
            gap = InterByteGapMs;
        rx_[count++] = b;
        rxCount_ = count;
        last = clock_.msecNow();
        if (count == HeaderSize) {
            expected = TotalLength(rx_);
            if (expected > MaxFrameSize || expected < MinFrameSize) {
                qDebug("main: leggikrix: RxControlla: RECEIVE_ERR");
                return RECEIVE_ERR;
            }
        }
        if (count == expected)
            break;
    }
    if (std::memcmp(rx_, AnswerHead, sizeof AnswerHead) != 0) {
        qDebug("main: leggikrix: RxControlla: RECEIVE_ERR, Wrong Pack");
        return RECEIVE_ERR;
    }
    const std::uint16_t word = static_cast<std::uint16_t>((rx_[expected - 2] << 8) | rx_[expected - 1]);
    if (CheckWord(rx_, expected - CheckWordSize) != word) {
        qDebug("main: leggikrix: RxControlla: WRONG CHECKSUM");
        return RECEIVE_ERR;
    }
    return RECEIVE_OK;
}

RxResult DeviceProtocol::checkAnswerLocked(int row) const {
    if (row < 0 || row >= RequestRows)
        return RECEIVE_ERR;
    const std::uint8_t* answer = AnswerTable[row];
    if (row == RequestRow::Probe)
        return std::memcmp(rx_, answer, RowBytes) == 0 ? RECEIVE_OK : RECEIVE_ERR;
    if (std::memcmp(rx_, answer, 4) != 0)
        return RECEIVE_ERR;
    if (rx_[7] != answer[7]) {
        if (rx_[7] == NotAvailable && std::memcmp(rx_ + 4, NotAvailableBytes4to7, 4) == 0)
            return RECEIVE_NOT_AVAILABLE;
        return RECEIVE_ERR;
    }
    return std::memcmp(rx_ + 6, answer + 6, 3) == 0 ? RECEIVE_OK : RECEIVE_ERR;
}

RxResult DeviceProtocol::exchangeLocked(std::size_t n, const std::uint8_t* answerStart, std::size_t compared,
                                        std::uint32_t timeoutMs) {
    if (writeLocked(n) != RECEIVE_OK)
        return RECEIVE_ERR;
    if (readLocked(timeoutMs) != RECEIVE_OK)
        return RECEIVE_ERR;
    return std::memcmp(rx_, answerStart, compared) == 0 ? RECEIVE_OK : RECEIVE_ERR;
}

RxResult DeviceProtocol::fixedLocked(const FixedCommand::Frame& command, const std::uint8_t* tail,
                                     std::size_t tailSize) {
    std::memcpy(tx_, command.head, command.headSize);
    if (tailSize > 0)
        std::memcpy(tx_ + command.headSize, tail, tailSize);
    const std::size_t total = command.headSize + tailSize + CheckWordSize;
    PutCheckWord(tx_, total);
    return exchangeLocked(total, command.answer, FixedCommand::AnswerPrefixSize, command.timeoutMs);
}

RxResult DeviceProtocol::sendFixed(const FixedCommand::Frame& command, const std::uint8_t* tail, std::size_t tailSize) {
    std::lock_guard lock(mutex_);
    return fixedLocked(command, tail, tailSize);
}

RxResult DeviceProtocol::sendLinkStateQuery() { return sendFixed(FixedCommand::LinkState); }

RxResult DeviceProtocol::sendMuxWrite(const std::uint8_t (&record)[FixedCommand::MuxRecordSize]) {
    return sendFixed(FixedCommand::MuxWrite, record, sizeof record);
}

RxResult DeviceProtocol::sendMuxRead() {
    std::lock_guard lock(mutex_);
    if (const RxResult r = fixedLocked(FixedCommand::MuxRead); r != RECEIVE_OK)
        return r;
    return rx_[FixedCommand::MuxReadReadyOffset] == FixedCommand::MuxReadReady ? RECEIVE_OK : RECEIVE_ERR;
}

RxResult DeviceProtocol::sendDeviceBaud(std::uint32_t baud) {
    std::uint8_t word[4];
    PutWord32(word, baud);
    return sendFixed(FixedCommand::DeviceBaud, word, sizeof word);
}

RxResult DeviceProtocol::sendProgramBlock(std::uint32_t address, const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    const std::size_t total = buildProgramBlockLocked(address, data, size);
    if (total == 0)
        return RECEIVE_ERR;
    return exchangeLocked(total, FixedCommand::ProgramBlockAnswer, FixedCommand::AnswerPrefixSize,
                          ProgramBlockTimeoutMs);
}

std::size_t DeviceProtocol::buildProgramBlockLocked(std::uint32_t address, const std::uint8_t* data, std::size_t size) {
    const std::size_t total = size + FixedCommand::ProgramBlockOverhead;
    if (data == nullptr || size == 0 || total > TransmitBufferSize)
        return 0;
    std::memcpy(tx_, FixedCommand::ProgramBlockHead, sizeof FixedCommand::ProgramBlockHead);
    tx_[LengthOffset] = static_cast<std::uint8_t>(total >> 8);
    tx_[LengthOffset + 1] = static_cast<std::uint8_t>(total & 0xFF);
    PutWord32(tx_ + sizeof FixedCommand::ProgramBlockHead, address);
    std::memcpy(tx_ + FixedCommand::ProgramBlockDataOffset, data, size);
    PutCheckWord(tx_, total);
    return total;
}

RxResult DeviceProtocol::writeProgramBlock(std::uint32_t address, const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    const std::size_t total = buildProgramBlockLocked(address, data, size);
    if (total == 0)
        return RECEIVE_ERR;
    return writeLocked(total);
}

RxResult DeviceProtocol::sendProgramStart() { return sendFixed(FixedCommand::ProgramStart); }

RxResult DeviceProtocol::sendEcuDirectBlock(const std::uint8_t (&block)[FixedCommand::EcuDirectBlockSize]) {
    return sendFixed(FixedCommand::EcuDirectBlock, block, sizeof block);
}

RxResult DeviceProtocol::sendLetter(char letter) {
    const std::uint8_t byte = static_cast<std::uint8_t>(letter);
    return sendFixed(FixedCommand::Letter, &byte, 1);
}

RxResult DeviceProtocol::sendDeviceValue() { return sendFixed(FixedCommand::DeviceValue); }

RxResult DeviceProtocol::sendDeviceRecord() { return sendFixed(FixedCommand::DeviceRecord); }

std::vector<std::uint8_t> DeviceProtocol::lastReceived() const {
    std::lock_guard lock(mutex_);
    return {rx_, rx_ + rxCount_};
}

std::vector<std::uint8_t> DeviceProtocol::lastWritten() const {
    std::lock_guard lock(mutex_);
    return {tx_, tx_ + txCount_};
}
