#include "DeviceInitBlocks.h"

#include "EngineHex.h"

namespace {

template <std::size_t N> void Put32(std::array<std::uint8_t, N>& b, std::size_t at, std::uint64_t v) {
    const auto x = static_cast<std::uint32_t>(v); // modulo 2^32
    b[at] = static_cast<std::uint8_t>(x >> 24);
    b[at + 1] = static_cast<std::uint8_t>(x >> 16);
    b[at + 2] = static_cast<std::uint8_t>(x >> 8);
    b[at + 3] = static_cast<std::uint8_t>(x);
}

template <std::size_t N> void Put16(std::array<std::uint8_t, N>& b, std::size_t at, std::uint64_t v) {
    const auto x = static_cast<std::uint16_t>(v); // modulo 2^16
    b[at] = static_cast<std::uint8_t>(x >> 8);
    b[at + 1] = static_cast<std::uint8_t>(x);
}

std::uint8_t Low(std::int64_t v) { return static_cast<std::uint8_t>(v); }

} // namespace

TCanParams BuildCanParams(const CanSettings& s) {
    TCanParams b{};
    b[0] = KindCan;
    Put32(b, 1, static_cast<std::uint64_t>(s.Baude));
    b[5] = 0;
    b[6] = Low(s.IdType);
    b[7] = CanConstant7;
    b[8] = CanConstant8;
    Put32(b, 9, s.IdEcu);
    Put32(b, 13, s.IdTester);
    // 17..33 stay zero
    Put16(b, 34, static_cast<std::uint64_t>(s.TimeOutIntraframe));
    Put16(b, 36, BlockTrailer);
    return b;
}

std::uint8_t ParityCode(const std::string& parity) {
    if (parity == "NONE") return ParityNone;
    if (parity == "EVEN") return ParityEven;
    if (parity == "ODD") return ParityOdd;
    return ParityUnknown;
}

void FillKLineParams(TKLineParams& b, const KLineSettings& s) {
    b[0] = KindKLine;
    Put32(b, 1, static_cast<std::uint64_t>(s.Baude));
    b[5] = KLineConstant5;
    b[6] = Low(s.Stop);
    b[7] = ParityCode(s.Parity);
    b[8] = Low(s.Data);
    b[9] = Low(s.InitEcu);
    ParseHexBytes(s.ActivationRequest, &b[10], 1);
    b[11] = static_cast<std::uint8_t>(s.Tgt);
    b[12] = static_cast<std::uint8_t>(s.Src);
    Put16(b, 13, static_cast<std::uint64_t>(s.Intrabyte));
    Put16(b, 15, static_cast<std::uint64_t>(s.TimeOutIntrabyte));
    Put16(b, 17, static_cast<std::uint64_t>(s.TimeOutIntraframe));
    Put16(b, 19, BlockTrailer);
    ParseHexBytes(s.ActivationAnswer, &b[21], 3);
}

TesterPresentList TesterPresentBytes(const std::string& wireText, int maxBytes) {
    TesterPresentList list;
    int n = static_cast<int>(wireText.size() / 2);
    if (maxBytes > TesterPresentListRoom) maxBytes = TesterPresentListRoom;
    if (n > maxBytes) n = maxBytes;
    for (int i = 0; i < n; ++i) {
        const int hi = HexDigitValue(wireText[static_cast<std::size_t>(2 * i)]);
        const int lo = HexDigitValue(wireText[static_cast<std::size_t>(2 * i + 1)]);
        list.Bytes[static_cast<std::size_t>(i)] =
            hi < 0 || lo < 0 ? 0 : static_cast<std::uint8_t>(hi * 16 + lo);
    }
    list.Length = static_cast<std::uint8_t>(n < 0 ? 0 : n);
    return list;
}

std::uint32_t ParseHexValue(const std::string& text) {
    std::size_t pos = text.find_first_not_of(" \t\r\n\v\f");
    if (pos == std::string::npos) return 0;
    // "0x7E8" is what people write in a file: "%x" takes the prefix, and so do we.
    if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
        HexDigitValue(text[pos + 2]) >= 0)
        pos += 2;
    std::uint32_t v = 0;
    for (; pos < text.size(); ++pos) {
        const int d = HexDigitValue(text[pos]);
        if (d < 0) break;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

int ParseHexBytes(const std::string& text, std::uint8_t* out, int maxBytes) {
    std::size_t pos = 0;
    int count = 0;
    while (count < maxBytes && pos < text.size()) {
        const int hi = HexDigitValue(text[pos]);
        if (hi < 0) break;
        int value = hi;
        ++pos;
        if (pos < text.size()) {
            const int lo = HexDigitValue(text[pos]);
            if (lo >= 0) {
                value = hi * 16 + lo;
                ++pos;
            }
        }
        out[count++] = static_cast<std::uint8_t>(value);
    }
    return count;
}
