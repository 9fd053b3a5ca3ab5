#include "BusTester.h"

#include <algorithm>
#include <cctype>

namespace KrixEmu {

BusTester::BusTester(KrixEmulator& emulator) : BusTester(emulator, Options{}) {}

BusTester::BusTester(KrixEmulator& emulator, Options options)
    : emulator_(emulator), options_(options), cursor_(emulator.BusFrameCount()) {}

Bytes BusTester::CanData(const Bytes& hostFrame) {
    if (hostFrame.size() <= CanHeader)
        return {};
    return Bytes(hostFrame.begin() + CanHeader, hostFrame.end());
}

void BusTester::SkipPending() { cursor_ = emulator_.BusFrameCount(); }

std::vector<BusRecord> BusTester::TranscriptFrom(std::size_t first) const {
    if (first >= transcript_.size())
        return {};
    return std::vector<BusRecord>(transcript_.begin() + static_cast<std::ptrdiff_t>(first), transcript_.end());
}

bool BusTester::Send(Bytes frame) {
    transcript_.push_back({true, frame});
    return emulator_.InjectBusFrame(frame);
}

std::optional<Bytes> BusTester::NextFromHost() {
    // Only the frame at the tester's own position is taken: the frames before it were read.
    std::optional<Bytes> frame = emulator_.WaitForBusFrame(cursor_, options_.frameTimeout);
    if (!frame)
        return std::nullopt;
    ++cursor_;
    transcript_.push_back({false, *frame});
    return frame;
}

std::optional<Bytes> BusTester::NextCanData() {
    const std::optional<Bytes> frame = NextFromHost();
    if (!frame)
        return std::nullopt;
    return CanData(*frame);
}

bool BusTester::AwaitFlowControl(std::uint8_t* blockSize) {
    for (;;) {
        const std::optional<Bytes> data = NextCanData();
        if (!data)
            return false;
        if (data->empty() || ((*data)[0] & 0xF0) != PciFlowControl)
            continue; // not for the transfer in progress
        if ((*data)[0] != PciFlowControl)
            continue; // wait: another flow control follows
        *blockSize = data->size() > 1 ? (*data)[1] : 0;
        return true;
    }
}

bool BusTester::CanSend(const Bytes& message) {
    if (message.empty() || message.size() > MaxMessage)
        return false;
    auto padded = [&](Bytes frame) {
        frame.resize(CanFrameData, options_.filler);
        return frame;
    };
    const std::size_t n = message.size();
    if (n <= SingleFrameMax) {
        Bytes frame{static_cast<std::uint8_t>(n)};
        frame.insert(frame.end(), message.begin(), message.end());
        return Send(padded(frame));
    }
    Bytes first{static_cast<std::uint8_t>(PciFirstFrame | (n >> 8)), static_cast<std::uint8_t>(n & 0xFF)};
    first.insert(first.end(), message.begin(), message.begin() + FirstFrameData);
    if (!Send(padded(first)))
        return false;
    std::size_t at = FirstFrameData;
    std::uint8_t sequence = 1;
    while (at < n) {
        std::uint8_t blockSize = 0;
        if (!AwaitFlowControl(&blockSize))
            return false;
        for (std::size_t sent = 0; at < n && (blockSize == 0 || sent < blockSize); ++sent) {
            const std::size_t chunk = std::min(ConsecutiveData, n - at);
            Bytes frame{static_cast<std::uint8_t>(PciConsecutive | (sequence & 0x0F))};
            frame.insert(frame.end(), message.begin() + static_cast<std::ptrdiff_t>(at),
                         message.begin() + static_cast<std::ptrdiff_t>(at + chunk));
            if (!Send(padded(frame)))
                return false;
            at += chunk;
            ++sequence;
        }
    }
    return true;
}

std::optional<Bytes> BusTester::CanAnswer() {
    std::optional<Bytes> data;
    do {
        data = NextCanData();
        if (!data)
            return std::nullopt;
    } while (data->empty() || ((*data)[0] & 0xF0) == PciFlowControl);

    const std::uint8_t pci = (*data)[0];
    if ((pci & 0xF0) == 0x00) {
        const std::size_t n = pci & 0x0F;
        if (data->size() < 1 + n)
            return std::nullopt;
        return Bytes(data->begin() + 1, data->begin() + 1 + static_cast<std::ptrdiff_t>(n));
    }
    if ((pci & 0xF0) != PciFirstFrame || data->size() < 2)
        return std::nullopt;
    const std::size_t total = static_cast<std::size_t>((pci & 0x0F) << 8 | (*data)[1]);
    Bytes message(data->begin() + 2, data->end());
    const Bytes flowControl{PciFlowControl, options_.blockSize, options_.separation};
    auto sendFlowControl = [&] {
        Bytes frame = flowControl;
        frame.resize(CanFrameData, options_.filler);
        return Send(frame);
    };
    if (!sendFlowControl())
        return std::nullopt;
    std::size_t inBlock = 0;
    while (message.size() < total) {
        const std::optional<Bytes> next = NextCanData();
        if (!next || next->empty() || ((*next)[0] & 0xF0) != PciConsecutive)
            return std::nullopt;
        message.insert(message.end(), next->begin() + 1, next->end());
        if (options_.blockSize != 0 && ++inBlock == options_.blockSize && message.size() < total) {
            inBlock = 0;
            if (!sendFlowControl())
                return std::nullopt;
        }
    }
    message.resize(total);
    return message;
}

std::optional<Bytes> BusTester::CanRequest(const Bytes& message) {
    if (!CanSend(message))
        return std::nullopt;
    return CanAnswer();
}

std::optional<std::vector<Bytes>> BusTester::KLineRequest(const Bytes& frame, std::size_t answerFrames) {
    if (!Send(frame))
        return std::nullopt;
    std::vector<Bytes> answers;
    while (answers.size() < answerFrames) {
        std::optional<Bytes> next = NextFromHost();
        if (!next)
            return std::nullopt;
        answers.push_back(std::move(*next));
    }
    return answers;
}

std::optional<Bytes> ParseHex(const std::string& text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return bytes;
}

} // namespace KrixEmu
