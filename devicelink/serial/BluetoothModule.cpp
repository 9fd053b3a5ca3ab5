#include "BluetoothModule.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>

namespace Bluetooth {

std::vector<std::uint8_t> SetupFrame(std::uint8_t address, std::uint8_t command, const std::uint8_t* data,
                                     std::size_t n) {
    std::vector<std::uint8_t> frame{FrameStart[0], FrameStart[1], address, command, static_cast<std::uint8_t>(n)};
    frame.insert(frame.end(), data, data + n);
    unsigned sum = 0;
    for (std::uint8_t b : frame)
        sum += b;
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

std::vector<std::uint8_t> ResetFrame(std::uint8_t address) {
    constexpr std::uint8_t data[1] = {0x01};
    return SetupFrame(address, CommandReset, data, sizeof data);
}

std::vector<std::uint8_t> RemoteSpeedFrame(int code, std::uint8_t address) {
    std::uint8_t data[1 + sizeof RemoteSpeedTail];
    data[0] = static_cast<std::uint8_t>(std::clamp(code, MinSpeedCode, MaxSpeedCode));
    std::copy(std::begin(RemoteSpeedTail), std::end(RemoteSpeedTail), data + 1);
    return SetupFrame(address, CommandRemoteSpeed, data, sizeof data);
}

int SpeedCodeFor(int baud) {
    switch (baud) {
    case 9600: return SpeedCode9600;
    case 38400: return SpeedCode38400;
    case 115200: return SpeedCode115200;
    default: return 0;
    }
}

bool AddressUsable(const QString& address) {
    if (address.isEmpty())
        return false;
    return std::all_of(address.begin(), address.end(), [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
}

} // namespace Bluetooth

using namespace Bluetooth;

namespace {

// How long a byte-wise read may take: its overall limit (told with the words of overdue when it
// passes), the silence it allows since the last byte, and the pause between polls of a silent line.
struct ByteWait {
    std::uint32_t limitMs;
    std::uint32_t silenceMs;
    std::uint32_t pauseMs;
    const char* overdue;
};

constexpr ByteWait ReplyWait{ReplyLimitMs, ReplySilenceMs, ReplyPollPauseMs, "module reply: no whole reply"};
constexpr ByteWait CallWait{CallLimitMs, CallSilenceMs, CallPollPauseMs, "callBluetooth(): no connection"};

// What one byte makes of a read.
enum class Heard {
    More,
    Whole,
    // Read on, but the read ends as soon as the line falls silent.
    MoreUntilSilent,
};

// Hands each byte read since start to take until it answers Whole (true); false on a stop
// request, once the overall limit has passed, or after more silence than allowed.
template <typename Take>
bool ReadBytes(ByteLink& link, const DeviceClock& clock, const ByteWait& wait, std::uint64_t start, Take&& take) {
    std::uint64_t last = start;
    std::uint64_t allowedSilence = wait.silenceMs;
    for (;;) {
        if (clock.stopRequested())
            return false;
        std::uint8_t b = 0;
        const bool got = link.readByte(&b);
        const std::uint64_t now = clock.msecNow();
        if (now - start > wait.limitMs) {
            qDebug("main: seriale1: %s within %u ms", wait.overdue, static_cast<unsigned>(wait.limitMs));
            return false;
        }
        if (!got) {
            if (now - last > allowedSilence)
                return false;
            if (!clock.sleepMs(wait.pauseMs))
                return false;
            continue;
        }
        last = now;
        switch (take(b)) {
        case Heard::More: break;
        case Heard::Whole: return true;
        case Heard::MoreUntilSilent: allowedSilence = 0; break;
        }
    }
}

} // namespace

BluetoothModule::BluetoothModule(ByteLink& link, const DeviceClock& clock) : link_(link), clock_(clock) {}

bool BluetoothModule::moduleReset(std::uint8_t address) {
    if (!sendSetup(ResetFrame(address), CommandReset))
        return false;
    clock_.sleepMs(AfterResetMs);
    return true;
}

bool BluetoothModule::setRemoteSpeed(int code, std::uint8_t address) {
    return sendSetup(RemoteSpeedFrame(code, address), CommandRemoteSpeed);
}

bool BluetoothModule::sendSetup(const std::vector<std::uint8_t>& frame, std::uint8_t command) {
    if (!link_.isOpen())
        return false;
    if (!link_.write(frame.size(), frame.data()))
        return false;
    return readReply(command);
}

bool BluetoothModule::readReply(std::uint8_t command) {
    std::uint8_t reply[MaxReply];
    std::size_t count = 0;
    std::size_t expected = 0; // known from the fifth byte on
    const bool whole = ReadBytes(link_, clock_, ReplyWait, clock_.msecNow(), [&](std::uint8_t b) {
        if (b == ReplyLead && count > 0)
            return Heard::More; // the module repeats its lead byte; only the first one belongs to the reply
        reply[count++] = b;
        if (count == ReplyCountIndex + 1)
            expected = reply[ReplyCountIndex] + ReplyOverhead;
        return expected != 0 && count == expected ? Heard::Whole : Heard::More;
    });
    if (!whole)
        return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < count; ++i)
        sum += reply[i];
    return reply[ReplyMarkerIndex] == ReplyMarker &&
           reply[ReplyCommandIndex] == static_cast<std::uint8_t>(command + ReplyCommandOffset) &&
           reply[count - 1] == static_cast<std::uint8_t>(sum & 0xFF);
}

bool BluetoothModule::writeLine(const QByteArray& text) {
    const QByteArray line = text + "\r\n";
    return link_.write(static_cast<std::size_t>(line.size()), reinterpret_cast<const std::uint8_t*>(line.constData()));
}

bool BluetoothModule::callBluetooth(const QString& address) {
    if (!link_.isOpen())
        return false;
    if (!writeLine(PairCommand))
        return false;
    if (!clock_.sleepMs(PairPauseMs))
        return false;
    if (!writeLine("call " + address.toLatin1() + " 1 rfcomm"))
        return false;

    const std::uint64_t start = clock_.msecNow();
    QByteArray line;
    const bool connected = ReadBytes(link_, clock_, CallWait, start, [&](std::uint8_t b) {
        if (b != '\r' && b != '\n') {
            if (line.size() < static_cast<qsizetype>(MaxReplyLine))
                line.append(static_cast<char>(b));
            return Heard::More;
        }
        Heard heard = Heard::More;
        if (line.contains(CallReply)) {
            qDebug("main: seriale1: callBluetooth(): CALL response %s", line.constData());
        } else if (line.contains(ConnectReply)) {
            qDebug("main: seriale1: callBluetooth(): CONNECT response %s", line.constData());
            heard = Heard::Whole;
        } else if (!line.isEmpty()) {
            // An answer that is not the connection: the wait ends once the module falls silent.
            qDebug("main: seriale1: callBluetooth(): unknow response %s", line.constData());
            heard = Heard::MoreUntilSilent;
        }
        line.clear();
        return heard;
    });
    if (!connected)
        return false;
    qDebug("main: seriale1: callBluetooth(): call response in %d seconds",
           static_cast<int>(clock_.msecNow() - start));
    clock_.sleepMs(AfterCallMs);
    return true;
}
