#include "FrameCodec.h"

#include "Exception.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

// Runs a routine's body and puts the routine's name in front of whatever it raises.
template <class Body>
std::string Guarded(const char* prefix, Body&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        throw Exception::Prefixed(prefix, e);
    }
}

bool StartsWithAOrB(const std::string& text) {
    return !text.empty() && (text[0] == 'a' || text[0] == 'b');
}

// "%02x%s" of the byte count and the text, with the count padded to whole bytes.
std::string WithLengthByte(const std::string& text) {
    return HexField(static_cast<std::uint32_t>(text.size() / 2), 1) + text;
}

void RequireWidth(std::int32_t width) {
    if (width < 0) throw Exception("Invalid field width in frame structure!");
}

// The frame formatter of pack routines 3 and 5: the layout's fields in order around the text.
std::string FormatFrame(const TCodecContext& context, const TFrameStructure& s, const std::string& text,
                        bool lengthInFmtTimes16) {
    const std::int64_t byteCount = static_cast<std::int64_t>(text.size() / 2);
    // The request header length counts for either direction.
    const std::int64_t frameLength = byteCount + context.Len_Header_Rx - s.LenSub + s.LenAdd;
    std::int64_t pos = 0;
    std::string out;
    out.reserve(text.size() + kFrameOverheadChars);

    const std::string_view layout(s.Layout, strnlen(s.Layout, sizeof s.Layout));
    std::size_t begin = 0;
    while (begin <= layout.size()) {
        std::size_t end = layout.find(';', begin);
        if (end == std::string_view::npos) end = layout.size();
        const std::string_view token = layout.substr(begin, end - begin);
        begin = end + 1;
        if (token.empty()) continue;

        if (token == "FMT") {
            RequireWidth(s.FmtBytes);
            std::uint32_t value = context.Fmt_Tx;
            if (s.LenInFmt != 0 && pos == s.LenInFmtPos)
                value += static_cast<std::uint32_t>(lengthInFmtTimes16 ? frameLength * 16 : frameLength);
            out += HexField(value, s.FmtBytes);
            pos += s.FmtBytes;
        } else if (token == "SRC") {
            RequireWidth(s.SrcBytes);
            out += HexField(context.Tgt, s.SrcBytes);
            pos += s.SrcBytes;
        } else if (token == "TGT") {
            RequireWidth(s.TgtBytes);
            out += HexField(context.Src, s.TgtBytes);
            pos += s.TgtBytes;
        } else if (token == "LEN") {
            RequireWidth(s.LenBytes);
            out += HexField(static_cast<std::uint32_t>(frameLength), s.LenBytes);
            pos += s.LenBytes;
        } else if (token == "CHS") {
            RequireWidth(s.ChsBytes);
            if (context.ChecksumFunction == nullptr)
                throw Exception("No checksum routine bound for the CHS field!");
            const std::int64_t start = 2 * static_cast<std::int64_t>(s.ChsStart);
            if (start < 0 || start > static_cast<std::int64_t>(out.size()))
                throw Exception("Checksum start lies beyond the frame!");
            const std::int32_t count = static_cast<std::int32_t>(static_cast<std::int64_t>(out.size()) - start);
            auto sum = static_cast<std::uint32_t>(context.ChecksumFunction(count, out.c_str() + start));
            if (s.ChsBytes >= 1 && s.ChsBytes <= 3) sum &= (std::uint32_t{1} << (8 * s.ChsBytes)) - 1;
            out += HexField(sum, s.ChsBytes);
            pos += s.ChsBytes;
        } else if (token == "DATA") {
            out += text;
        } else if (token == "SID") {
            // The service identification is the first byte of the text that DATA appends.
        } else {
            throw Exception("Invalid Frame Sructure!");
        }
    }
    return out;
}

// The text without its first headerBytes and its last chsBytes bytes; empty when too short.
std::string StripFrame(const std::string& text, std::int32_t headerBytes, std::int32_t chsBytes) {
    if (headerBytes < 0 || chsBytes < 0) throw Exception("Invalid header or checksum length!");
    const std::uint64_t head = 2 * static_cast<std::uint64_t>(headerBytes);
    const std::uint64_t tail = 2 * static_cast<std::uint64_t>(chsBytes);
    const std::uint64_t size = text.size();
    if (size < head || size - head <= tail) return {};
    return text.substr(head, size - head - tail);
}

} // namespace

std::string HexField(std::uint32_t value, std::int32_t widthBytes) {
    char digits[8];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, 16);
    const auto length = static_cast<std::size_t>(written.ptr - digits);
    std::size_t total = widthBytes > 0 ? 2 * static_cast<std::size_t>(widthBytes) : 1;
    if (total < length) total = length;
    if (total % 2 != 0) ++total;
    std::string field(total - length, '0');
    field.append(digits, length);
    return field;
}

std::string PackRequest_1(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("PackRequest_1 function error:\n", [&] { return WithLengthByte(text); });
}

std::string UnPackRequest_1(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("UnPackRequest_1 function error:\n",
                   [&] { return text.size() <= 2 ? std::string() : text.substr(2); });
}

std::string PackRequest_2(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("PackRequest_2 function error:\n", [&] { return text; });
}

std::string UnPackRequest_2(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("UnPackRequest_2 function error:\n",
                   [&] { return text.size() < 2 ? std::string() : text; });
}

std::string PackRequest_3(const TCodecContext& context, const std::string& text, std::uint8_t selector) {
    return Guarded("PackRequest_3 function error:\n", [&] {
        const TFrameStructure& s =
            selector == 0 ? context.Protocol.RxStructure : context.Protocol.TxStructure;
        return FormatFrame(context, s, text, false);
    });
}

std::string UnPackRequest_3(const TCodecContext& context, const std::string& text, std::uint8_t selector) {
    return Guarded("UnPackRequest_3 function error:\n", [&] {
        if (selector == 0)
            return StripFrame(text, context.Len_Header_Rx, context.Protocol.RxStructure.ChsBytes);
        return StripFrame(text, context.Len_Header_Tx, context.Protocol.TxStructure.ChsBytes);
    });
}

std::string PackRequest_4(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("PackRequest_4 function error:\n", [&] {
        if (text.size() < 2) return std::string();
        if (StartsWithAOrB(text)) return text;
        return WithLengthByte(text);
    });
}

std::string UnPackRequest_4(const TCodecContext& context, const std::string& text, std::uint8_t) {
    return Guarded("UnPackRequest_4 function error:\n", [&] {
        if (static_cast<std::int64_t>(text.size()) > context.MaxAnsLen || text.size() < 4)
            return std::string();
        if (StartsWithAOrB(text)) return text;
        return text.substr(2);
    });
}

std::string PackRequest_5(const TCodecContext& context, const std::string& text, std::uint8_t) {
    return Guarded("PackRequest_5 function error:\n",
                   [&] { return FormatFrame(context, context.Protocol.RxStructure, text, true); });
}

std::string UnPackRequest_5(const TCodecContext& context, const std::string& text, std::uint8_t) {
    return Guarded("UnPackRequest_5 function error:\n", [&] {
        return StripFrame(text, context.Len_Header_Tx, context.Protocol.TxStructure.ChsBytes);
    });
}

std::string PackRequest_6(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("PackRequest_6 function error:\n", [&] {
        const std::size_t count = text.size() / 2;
        if (count >= 8) return "8f" + text;
        return HexField(static_cast<std::uint32_t>(0xC8 + count), 1) + text;
    });
}

std::string UnPackRequest_6(const TCodecContext&, const std::string& text, std::uint8_t) {
    return Guarded("UnPackRequest_6 function error:\n",
                   [&] { return text.size() <= 2 ? std::string() : text.substr(2); });
}
