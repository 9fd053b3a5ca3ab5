#include "TestFrames.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

Bytes CanFrame(std::uint32_t id, std::uint8_t lengthByte, const Bytes& data) {
    Bytes f{static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
            static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), lengthByte};
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

Bytes Cat(std::initializer_list<Bytes> parts) { return Concat(parts); }

Bytes Pattern(int count, std::uint8_t first) {
    Bytes b(count);
    for (int i = 0; i < count; ++i) b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
    if (from >= b.size()) return {};
    return Bytes(b.begin() + from, b.begin() + std::min(b.size(), from + count));
}

Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

std::string Hex(const Bytes& b) { return HexText(b); }

RxOutcome CallRx(BusRxRoutine r, std::uint8_t* rxStatus) {
    std::vector<char> buffer(BusRxBufferSize, '#');
    RxOutcome o;
    o.Result = r(&o.Length, buffer.data(), rxStatus);
    std::size_t end = 0;
    while (end < buffer.size() && buffer[end] != '\0') ++end;
    o.Text.assign(buffer.data(), end);
    if (o.Result == 1) {
        const std::size_t tail = 2 + 2 * static_cast<std::size_t>(std::max(o.Length, 0));
        for (std::size_t i = end; i <= tail && i < buffer.size(); ++i)
            if (buffer[i] != '\0') o.CleanTail = false;
    }
    return o;
}

void ExpectFrames(const std::vector<SentFrame>& sent, const std::vector<Bytes>& expected) {
    ASSERT_EQ(sent.size(), expected.size()) << "number of frames sent";
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].Reserved, 0) << "frame " << i;
        EXPECT_EQ(sent[i].Length, static_cast<int>(expected[i].size())) << "frame " << i;
        EXPECT_EQ(Hex(sent[i].Data), Hex(expected[i])) << "frame " << i;
    }
}

void ExpectDeliveries(FakeBusLink& link, BusRxRoutine r, const std::vector<DeliveryCase>& cases) {
    for (const DeliveryCase& c : cases) {
        SCOPED_TRACE(Hex(c.Frame));
        link.Receive(c.Frame);
        RxOutcome o = CallRx(r);
        EXPECT_EQ(o.Result, c.Result);
        EXPECT_EQ(o.Length, c.Length);
        EXPECT_EQ(o.Text, c.Text);
        EXPECT_TRUE(o.CleanTail);
    }
}
