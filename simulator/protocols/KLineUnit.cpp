#include "KLineUnit.h"

#include "BusLink.h"
#include "WireText.h"

namespace kline {

int Receive(const char* rxPrefix, std::int32_t* length, char* buffer) {
    return GuardRx(rxPrefix, [&] {
        if (!length || !buffer) throw InvalidOperation("No receive buffer");
        *length = 0;
        buffer[0] = '\0';
        BusPort port = BusPort::Bound();
        BusPort::Delivery frame;
        if (!port.Receive(frame)) return 0;
        // A delivery never exceeds the link's room, which is below BusMaxMessageBytes.
        *length = frame.Count;
        WriteWireText(buffer, frame.Bytes.data(), frame.Count, frame.Count);
        return 1;
    });
}

int Transmit(const TxFailureTexts& texts, std::int32_t byteCount, const std::uint8_t* bytes) {
    return GuardTx(texts, [&] {
        if (byteCount < 0 || (byteCount > 0 && !bytes)) throw InvalidOperation("No answer bytes");
        BusPort::Bound().SendRaw(bytes, byteCount);
        return 1;
    });
}

} // namespace kline
