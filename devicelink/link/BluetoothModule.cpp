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
    const std::uint64_t start = clock_.msecNow();
    std::uint64_t last = start;
    for (;;) {
        if (clock_.stopRequested())
            return false;
        std::uint8_t b = 0;
        const bool got = link_.readByte(&b);
        const std::uint64_t now = clock_.msecNow();
        if (now - start > ReplyLimitMs) {
            qDebug("main: seriale1: module reply: no whole reply within %u ms", static_cast<unsigned>(ReplyLimitMs));
            return false;
        }
        if (!got) {
            if (now - last > ReplySilenceMs)
                return false;
            if (!clock_.sleepMs(ReplyPollPauseMs))
                return false;
            continue;
        }
        last = now;
        if (b == ReplyLead && count > 0)
            continue; // the module repeats its lead byte; only the first one belongs to the reply
        reply[count++] = b;
        if (count == ReplyCountIndex + 1)
            expected = reply[ReplyCountIndex] + ReplyOverhead;
        if (expected != 0 && count == expected)
            break;
    }
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
    std::uint64_t last = start;
    std::uint64_t allowedSilence = CallSilenceMs;
    QByteArray line;
    for (;;) {
        if (clock_.stopRequested())
            return false;
        std::uint8_t b = 0;
        const bool got = link_.readByte(&b);
        const std::uint64_t now = clock_.msecNow();
        if (now - start > CallLimitMs) {
            qDebug("main: seriale1: callBluetooth(): no connection within %u ms", static_cast<unsigned>(CallLimitMs));
            return false;
        }
        if (!got) {
            if (now - last > allowedSilence)
                return false;
            if (!clock_.sleepMs(CallPollPauseMs))
                return false;
            continue;
        }
        last = now;
        if (b != '\r' && b != '\n') {
            if (line.size() < static_cast<qsizetype>(MaxReplyLine))
                line.append(static_cast<char>(b));
            continue;
        }
        if (line.contains(CallReply)) {
            qDebug("main: seriale1: callBluetooth(): CALL response %s", line.constData());
        } else if (line.contains(ConnectReply)) {
            qDebug("main: seriale1: callBluetooth(): CONNECT response %s", line.constData());
            break;
        } else if (!line.isEmpty()) {
            // An answer that is not the connection: the wait ends once the module falls silent.
            qDebug("main: seriale1: callBluetooth(): unknow response %s", line.constData());
            allowedSilence = 0;
        }
        line.clear();
    }
    qDebug("main: seriale1: callBluetooth(): call response in %d seconds",
           static_cast<int>(clock_.msecNow() - start));
    clock_.sleepMs(AfterCallMs);
    return true;
}
