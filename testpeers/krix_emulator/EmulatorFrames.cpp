#include "EmulatorFrames.h"

#include <algorithm>
#include <cstdio>

namespace KrixEmu {
namespace {

constexpr std::uint8_t ServiceRead = 0x22;
constexpr std::uint8_t ServiceCommand = 0x34;
constexpr std::uint8_t ServiceRecord = 0x54;
constexpr std::uint8_t ServiceLoader = 0xAA;

struct Signature {
    std::uint8_t service, b7, b8;
    RequestKind kind;
};

constexpr Signature Signatures[] = {
    {ServiceRead, 0x3F, 0x80, RequestKind::DeviceControl1},
    {ServiceRead, 0x3F, 0xFF, RequestKind::DeviceControl2},
    {ServiceCommand, 0x3F, 0xFF, RequestKind::DeviceControl3},
    {ServiceRead, 0x3F, 0x10, RequestKind::DeviceControlOther},
    {ServiceRead, 0x3F, 0x00, RequestKind::LinkState},
    {ServiceCommand, 'M', 'W', RequestKind::MuxWrite},
    {ServiceCommand, 'M', 'R', RequestKind::MuxRead},
    {ServiceLoader, 'B', 0x00, RequestKind::DeviceBaud},
    {ServiceLoader, 'W', 0x01, RequestKind::ProgramBlock},
    {ServiceCommand, 'G', 'D', RequestKind::ProgramStart},
    {ServiceRead, 0x3F, 'R', RequestKind::EcuDirectBlock},
    {ServiceRead, 0x3F, 'v', RequestKind::Letter},
    {ServiceRead, 0x3F, 0x20, RequestKind::DeviceValue},
    {ServiceRecord, 'R', 0x00, RequestKind::DeviceRecord},
};

// The bytes after service 0x22 of each request-table row (row 3 is the probe frame).
constexpr char RowLetters[TableRows][2] = {
    {'P', 'X'}, {'S', 'X'}, {'I', 'X'}, {0, 0},     {'E', 'V'}, {'A', 'X'}, {0x00, 0x01},
    {'A', 'S'}, {'A', 'V'}, {'A', 'Q'}, {'P', 'A'}, {'S', 'A'}, {'P', 'B'}, {'S', 'B'},
    {'P', '0'}, {'S', '0'}, {'I', '0'}, {'A', '0'}, {'P', 'U'}, {'P', 'D'}, {'S', 'U'},
};

} // namespace

std::uint16_t SumWord(const std::uint8_t* bytes, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += bytes[i];
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t NormalLength(const Bytes& frame) {
    return frame.size() < 6 ? 0 : static_cast<std::uint16_t>(frame[4] << 8 | frame[5]);
}

std::uint16_t TransparentLength(const Bytes& frame) {
    return frame.size() < 3 ? 0 : static_cast<std::uint16_t>(frame[1] << 8 | frame[2]);
}

std::uint32_t Word32(const Bytes& frame, std::size_t at) {
    if (frame.size() < at + 4)
        return 0;
    return std::uint32_t{frame[at]} << 24 | std::uint32_t{frame[at + 1]} << 16 | std::uint32_t{frame[at + 2]} << 8 |
           frame[at + 3];
}

bool NormalCheckWordOk(const Bytes& frame) {
    const std::size_t n = frame.size();
    if (n < MinNormalFrame)
        return false;
    return SumWord(frame.data(), n - 2) == (frame[n - 2] << 8 | frame[n - 1]);
}

std::uint8_t XorOf(const std::uint8_t* bytes, std::size_t n) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < n; ++i)
        x ^= bytes[i];
    return x;
}

Bytes TransparentFrame(std::uint8_t code, const Bytes& payload) {
    const std::size_t total = 5 + payload.size() + 1;
    Bytes frame(total);
    frame[0] = FrameStart;
    frame[1] = static_cast<std::uint8_t>(total >> 8);
    frame[2] = static_cast<std::uint8_t>(total);
    frame[3] = TransparentMarker;
    frame[4] = code;
    std::copy(payload.begin(), payload.end(), frame.begin() + 5);
    frame[total - 1] = XorOf(frame.data(), total - 1);
    return frame;
}

bool TransparentCheckOk(const Bytes& frame) {
    return frame.size() >= MinTransparentFrame && XorOf(frame.data(), frame.size() - 1) == frame.back();
}

void SealNormal(Bytes& frame) {
    const std::size_t total = frame.size() + 2;
    frame[4] = static_cast<std::uint8_t>(total >> 8);
    frame[5] = static_cast<std::uint8_t>(total);
    const std::uint16_t sum = SumWord(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
}

Bytes DeviceAnswer(std::uint8_t service, const Bytes& body) {
    Bytes frame;
    frame.reserve(7 + body.size() + 2);
    for (std::uint8_t b : {FrameStart, HostAddress, DeviceAddress, std::uint8_t{0}, std::uint8_t{0}, std::uint8_t{0}, service})
        frame.push_back(b);
    for (std::uint8_t b : body)
        frame.push_back(b);
    SealNormal(frame);
    return frame;
}

std::string Hex(const Bytes& bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

const char* KindName(RequestKind kind) {
    switch (kind) {
    case RequestKind::Any: return "any";
    case RequestKind::DeviceControl1: return "device-control-1";
    case RequestKind::DeviceControl2: return "device-control-2";
    case RequestKind::DeviceControl3: return "device-control-3";
    case RequestKind::DeviceControlOther: return "device-control-other";
    case RequestKind::LinkState: return "link-state";
    case RequestKind::MuxWrite: return "mux-write";
    case RequestKind::MuxRead: return "mux-read";
    case RequestKind::DeviceBaud: return "device-baud";
    case RequestKind::ProgramBlock: return "program-block";
    case RequestKind::ProgramStart: return "program-start";
    case RequestKind::EcuDirectBlock: return "ecu-direct-block";
    case RequestKind::Letter: return "letter";
    case RequestKind::DeviceValue: return "device-value";
    case RequestKind::DeviceRecord: return "device-record";
    case RequestKind::TableRow: return "table-row";
    case RequestKind::Unknown: return "unknown";
    }
    return "?";
}

bool IsProbeFrame(const Bytes& frame) {
    static const Bytes probe{0x5B, 0x20, 0x01, 0x00, 0x00, 0x09, 0x3F, 0x00, 0xC3};
    return frame == probe;
}

Request Classify(const Bytes& frame) {
    Request request;
    request.bytes = frame;
    if (IsProbeFrame(frame)) {
        request.kind = RequestKind::TableRow;
        request.row = ProbeRow;
        return request;
    }
    if (frame.size() < MinNormalFrame)
        return request;
    const std::uint8_t service = frame[6], b7 = frame[7], b8 = frame[8];
    for (const Signature& s : Signatures)
        if (s.service == service && s.b7 == b7 && s.b8 == b8) {
            request.kind = s.kind;
            return request;
        }
    if (service == ServiceRead)
        for (int row = 0; row < TableRows; ++row)
            if (row != ProbeRow && RowLetters[row][0] == static_cast<char>(b7) &&
                RowLetters[row][1] == static_cast<char>(b8)) {
                request.kind = RequestKind::TableRow;
                request.row = row;
                return request;
            }
    return request;
}

} // namespace KrixEmu
