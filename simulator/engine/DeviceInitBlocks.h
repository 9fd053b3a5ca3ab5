#pragma once
// The bus parameter blocks that the engine hands to SetProtocolType, and the tester-present
// lists that go with them. Pure functions over values already read from the simulation file, so
// the bytes can be checked one by one.
#include <array>
#include <cstdint>
#include <string>

#include "KrixLinkApi.h"

inline constexpr int CanParamsSize = 38;
inline constexpr int KLineParamsSize = 24;
using TCanParams = std::array<std::uint8_t, CanParamsSize>;
using TKLineParams = std::array<std::uint8_t, KLineParamsSize>;
using TProtocolParamBlock = std::array<std::uint8_t, KrixProtocolBlockSize>;

// Kind byte of SetProtocolType and byte 0 of each block.
inline constexpr std::uint8_t KindKLine = 0;
inline constexpr std::uint8_t KindCan = 1;
// Constant bytes whose meaning is the device's own.
inline constexpr std::uint8_t CanConstant7 = 0xFD;
inline constexpr std::uint8_t CanConstant8 = 0xFC;
inline constexpr std::uint8_t KLineConstant5 = 1;
inline constexpr std::uint16_t BlockTrailer = 5000;
inline constexpr std::uint8_t ParityNone = 0, ParityEven = 1, ParityOdd = 2, ParityUnknown = 0xFF;

// Tester-present lists: the request list holds 20 bytes at most, the answer list 19.
inline constexpr int TesterPresentRequestMax = 20;
inline constexpr int TesterPresentAnswerMax = 19;
inline constexpr int TesterPresentListRoom = 20;

struct CanSettings {
    std::int64_t Baude = 0;
    std::int64_t IdType = -1;
    std::uint32_t IdEcu = 0;
    std::uint32_t IdTester = 0;
    std::int64_t TimeOutIntraframe = 3000;
};

struct KLineSettings {
    std::int64_t Baude = 0;
    std::int64_t Stop = 1;
    std::string Parity;
    std::int64_t Data = 1;
    std::int64_t InitEcu = 2;
    std::string ActivationRequest = "00"; // one byte as hex text
    std::string ActivationAnswer = "00";  // three bytes as hex text
    std::uint32_t Tgt = 0;
    std::uint32_t Src = 0;
    std::int64_t Intrabyte = 0;
    std::int64_t TimeOutIntrabyte = 0;
    std::int64_t TimeOutIntraframe = 0;
};

TCanParams BuildCanParams(const CanSettings& s);

// Fills block from s. The activation bytes that the texts do not supply keep what block held,
// so a reload keeps the previous initialisation's values there.
void FillKLineParams(TKLineParams& block, const KLineSettings& s);

std::uint8_t ParityCode(const std::string& parity);

// The block followed by zero bytes up to the 51 bytes the library reads.
template <std::size_t N> TProtocolParamBlock PadProtocolBlock(const std::array<std::uint8_t, N>& block) {
    static_assert(N <= KrixProtocolBlockSize);
    TProtocolParamBlock out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = block[i];
    return out;
}

struct TesterPresentList {
    std::uint8_t Length = 0;
    std::array<std::uint8_t, TesterPresentListRoom> Bytes{};
};

// The first min(maxBytes, characters / 2) bytes of a wire text; a pair that is not hexadecimal
// gives 0.
TesterPresentList TesterPresentBytes(const std::string& wireText, int maxBytes);

// A text read as "%x": blanks, an optional "0x", then the hexadecimal digits, modulo 2^32; 0 when
// there are none.
std::uint32_t ParseHexValue(const std::string& text);

// Reads up to maxBytes bytes of one or two hexadecimal digits each from the start of text into
// out, as "%02x%02x..." does; stops at the first pair that does not start with a digit. Returns
// how many bytes were supplied; the rest of out is untouched.
int ParseHexBytes(const std::string& text, std::uint8_t* out, int maxBytes);
