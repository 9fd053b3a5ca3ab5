#include "DownloadProgram.h"

#include "TKrixThread.h"
#include "WorkingFiles.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace {

class ProgramFile final : public ProgramSource {
public:
    explicit ProgramFile(const QString& path) : path_(path) {}
    bool open() { return WorkingFiles::OpenForReading(file_, path_); }
    std::int64_t size() override { return file_.size(); }
    std::int64_t readAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) override {
        if (!file_.seek(offset))
            return -1;
        return file_.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(n));
    }

private:
    QString path_;
    QFile file_;
};

} // namespace

QString ProgramFilePath(const QString& dataDirectory, std::int32_t programNumber) {
    return dataDirectory + QString::asprintf("krix/krix/dgn%02d/%04d____.exe", programNumber / 50 + 1, programNumber);
}

RxResult downloadBlocks(DeviceProtocol& device, const DeviceClock& clock, ProgramSource& source,
                        std::size_t blockSize, std::uint32_t pauseAfterBlockMs) {
    if (blockSize == 0 || blockSize + FixedCommand::ProgramBlockOverhead > TransmitBufferSize) {
        qDebug("main: leggikrix: downloadProgram: block size %d refused", static_cast<int>(blockSize));
        return RECEIVE_ERR;
    }
    const std::int64_t size = source.size();
    if (size <= 0) {
        qDebug("main: leggikrix: downloadProgram: the program file is empty");
        return RECEIVE_ERR;
    }
    const std::int64_t bs = static_cast<std::int64_t>(blockSize);
    std::int64_t blocks = (size + bs - 1) / bs;
    const std::int64_t mostRounds = 2 * blocks;
    const std::uint64_t start = clock.msecNow();

    std::vector<std::uint8_t> block(blockSize);
    std::int64_t next = 0;
    std::int64_t last = 0;
    bool advance = true;
    int failedRounds = 0;
    for (std::int64_t i = 0; i < blocks;) {
        if (clock.stopRequested())
            return RECEIVE_ERR;
        const std::int64_t k = advance ? next : last;
        const std::int64_t offset = k * bs;
        const std::size_t wanted = static_cast<std::size_t>(std::min(bs, size - offset));
        std::fill(block.begin(), block.end(), 0);
        const std::int64_t got = source.readAt(offset, block.data(), wanted);
        if (got != static_cast<std::int64_t>(wanted)) {
            qDebug("main: leggikrix: downloadProgram: block %d: %d of %d bytes read", static_cast<int>(k + 1),
                   static_cast<int>(got), static_cast<int>(wanted));
            return RECEIVE_ERR;
        }
        const std::uint32_t address = FixedCommand::ProgramLoadAddress + static_cast<std::uint32_t>(offset);
        if (device.writeProgramBlock(address, block.data(), blockSize) != RECEIVE_OK)
            return RECEIVE_ERR;
        if (pauseAfterBlockMs != 0 && !clock.sleepMs(pauseAfterBlockMs))
            return RECEIVE_ERR;
        if (device.RxControlla(ProgramBlockTimeoutMs) != RECEIVE_OK) {
            if (++failedRounds >= Download::MaxFailedRounds) {
                qDebug("main: leggikrix: downloadProgram: block %d not acknowledged %d times", static_cast<int>(k + 1),
                       failedRounds);
                return RECEIVE_ERR;
            }
            continue; // the same round again
        }
        failedRounds = 0;
        const std::vector<std::uint8_t> answer = device.lastReceived();
        if (answer.size() <= Download::StatusOffset ||
            !std::equal(FixedCommand::ProgramBlockAnswer, FixedCommand::ProgramBlockAnswer + FixedCommand::AnswerPrefixSize,
                        answer.begin()))
            return RECEIVE_ERR;
        if (answer[Download::StatusOffset] == Download::PreviousBlockBad && i != 0) {
            qDebug("Errore di trasmissione blocco %d", static_cast<int>(k + 1));
            advance = false;
            if (++blocks > mostRounds) {
                qDebug("main: leggikrix: downloadProgram: more blocks refused than the program has");
                return RECEIVE_ERR;
            }
        } else if (!advance) {
            last = next;
            ++next;
            advance = true;
        } else {
            last = k;
            ++next;
        }
        ++i;
    }
    qDebug("tempo trasmissione %dmsec", static_cast<int>(clock.msecNow() - start));
    return RECEIVE_OK;
}

RxResult downloadProgram(TKrixThread& t, std::size_t blockSize) {
    const QString path = ProgramFilePath(t.dataDirectory(), t.programNumber());
    ProgramFile file(path);
    if (!file.open()) {
        qDebug("main: leggikrix: downloadProgram: %s cannot be opened", qPrintable(path));
        return RECEIVE_ERR;
    }
    return downloadBlocks(t.device(), t.deviceClock(), file, blockSize,
                          t.bluetoothLink() ? Download::BluetoothBlockPauseMs : 0);
}
