#include "DeviceModel.h"

#include <algorithm>
#include <optional>

namespace KrixEmu {
namespace {

std::uint8_t At(const Bytes& frame, std::size_t i) {
    return i < frame.size() ? frame[i] : 0;
}

// Replaces the check word of a finished frame after a change to its bytes.
void Reseal(Bytes& frame) {
    frame.resize(frame.size() - 2);
    SealNormal(frame);
}

constexpr std::uint8_t GarbageByte = 0xA5;
constexpr std::size_t OverLongTail = 10;
constexpr std::uint8_t BlockOk = 0x01;
constexpr std::uint8_t BlockBad = 0x00;
constexpr std::size_t ShortAnswerHead = 9; // up to the command bytes

// The first rule that matches the request, used up by one answer unless it holds for ever.
std::optional<FaultRule> TakeFault(std::deque<FaultRule>& faults, const Request& request) {
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const bool kindMatches = it->match == RequestKind::Any || it->match == request.kind;
        const bool rowMatches = it->match != RequestKind::TableRow || it->row < 0 || it->row == request.row;
        if (!kindMatches || !rowMatches || it->times == 0)
            continue;
        FaultRule rule = *it;
        if (it->times > 0 && --it->times == 0)
            faults.erase(it);
        return rule;
    }
    return std::nullopt;
}

} // namespace

DeviceModel::DeviceModel() {
    lists_[14] = {0x101, 0x102, 0x103};
    lists_[15] = {0x201, 0x202};
    lists_[16] = {0x301};
    lists_[17] = {0x401};
    lists_[18] = {1, 2, 3};
    lists_[19] = {0x11, 0x12, 0x13};
    lists_[20] = {0x501, 0x502};
    // No activation record: bytes 11, 12, 15 and 16 of the answer all 0xFF.
    for (std::size_t offset : {11u, 12u, 15u, 16u})
        activation_[offset - 9] = 0xFF;
}

void DeviceModel::SetIdList(int row, std::vector<std::uint32_t> items) {
    if (items.size() > MaxListItems)
        items.resize(MaxListItems);
    lists_[row] = std::move(items);
}

void DeviceModel::SetRowData(int row, std::array<std::uint8_t, 4> data) {
    rowData_[row] = data;
}

Bytes DeviceModel::ProgramImage() const {
    Bytes image;
    for (const ProgramBlock& block : blocks_) {
        if (block.address < ProgramBase)
            continue;
        const std::size_t at = block.address - ProgramBase;
        if (image.size() < at + block.data.size())
            image.resize(at + block.data.size(), 0);
        std::copy(block.data.begin(), block.data.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return image;
}

Reply DeviceModel::Answer(const Request& request, std::uint32_t lineBaud) {
    const std::optional<FaultRule> fault = TakeFault(faults_, request);
    if (fault && fault->kind == FaultKind::Silence)
        return {}; // as if the request never arrived: nothing is kept of it either
    const bool blockRefused = fault && fault->kind == FaultKind::BlockError;
    const bool earlierFailed = fault && fault->kind == FaultKind::EarlierBlockFailed;

    Reply reply;
    Bytes answer;
    const Bytes& f = request.bytes;
    const std::uint8_t service = static_cast<std::uint8_t>(At(f, 6) + ServiceAnswerOffset);
    const Bytes command{At(f, 7), At(f, 8)};
    auto with = [&](std::initializer_list<std::uint8_t> data) {
        Bytes body = command;
        body.insert(body.end(), data.begin(), data.end());
        return DeviceAnswer(service, body);
    };
    auto withArray = [&](const auto& data) {
        Bytes body = command;
        body.insert(body.end(), data.begin(), data.end());
        return DeviceAnswer(service, body);
    };

    switch (request.kind) {
    case RequestKind::DeviceControl1:
    case RequestKind::DeviceControl2:
    case RequestKind::DeviceControl3:
    case RequestKind::DeviceControlOther:
    case RequestKind::MuxWrite:
    case RequestKind::ProgramStart:
    case RequestKind::EcuDirectBlock:
        if (request.kind == RequestKind::MuxWrite)
            for (std::size_t i = 0; i < muxRecord_.size(); ++i)
                muxRecord_[i] = At(f, 12 + i);
        if (request.kind == RequestKind::ProgramStart)
            programStarted_ = true;
        if (request.kind == RequestKind::EcuDirectBlock)
            for (std::size_t i = 0; i < ecuDirect_.size(); ++i)
                ecuDirect_[i] = At(f, 9 + i);
        answer = with({});
        break;
    case RequestKind::LinkState: answer = withArray(linkState_); break;
    case RequestKind::MuxRead: answer = with({0x00, 0x00, 0x00, muxReady_}); break;
    case RequestKind::DeviceBaud:
        reply.switchToBaud = Word32(f, 9);
        answer = with({});
        break;
    case RequestKind::ProgramBlock:
        if (earlierFailed && !blocks_.empty())
            blocks_.pop_back();
        if (!blockRefused && f.size() > 15) {
            ProgramBlock block{Word32(f, 9), Bytes(f.begin() + 13, f.end() - 2), lineBaud};
            blocks_.push_back(std::move(block));
        }
        answer = with({blockRefused || earlierFailed ? BlockBad : BlockOk});
        break;
    case RequestKind::Letter:
        letter_ = static_cast<char>(At(f, 12));
        answer = with({0x00, 0x00, 0x00, At(f, 12)});
        break;
    case RequestKind::DeviceValue: answer = withArray(deviceValue_); break;
    case RequestKind::DeviceRecord: answer = withArray(deviceRecord_); break;
    case RequestKind::TableRow:
        if (request.row == ProbeRow) {
            answer = {FrameStart, HostAddress, DeviceAddress, 0x00, 0x00, 0x00, 0x7F, 0x01};
            SealNormal(answer);
        } else if (request.row == ActivationRow) {
            answer = withArray(activation_);
        } else if (request.row >= FirstListRow && request.row <= LastListRow) {
            Bytes body = command;
            for (std::uint32_t item : lists_[request.row])
                for (int shift = 24; shift >= 0; shift -= 8)
                    body.push_back(static_cast<std::uint8_t>(item >> shift));
            answer = DeviceAnswer(service, body);
        } else if (request.row == 9) {
            answer = with({});
        } else {
            answer = withArray(rowData_[request.row]);
        }
        break;
    case RequestKind::Any:
    case RequestKind::Unknown: return {}; // a real device keeps quiet about what it does not know
    }

    if (!fault || fault->kind == FaultKind::BlockError || fault->kind == FaultKind::EarlierBlockFailed) {
        reply.chunks.push_back({answer, 0});
        return reply;
    }
    // A refused baud command leaves the line as it was; a damaged answer does not.
    if (fault->kind == FaultKind::WrongAnswer || fault->kind == FaultKind::NotAvailable ||
        fault->kind == FaultKind::OverLongLength || fault->kind == FaultKind::ShortAnswer)
        reply.switchToBaud = 0;
    switch (fault->kind) {
    case FaultKind::WrongAnswer:
        answer[7] ^= 0x01;
        Reseal(answer);
        reply.chunks.push_back({answer, 0});
        break;
    case FaultKind::BadCheckWord:
        answer.back() ^= 0x01;
        reply.chunks.push_back({answer, 0});
        break;
    case FaultKind::GarbageBefore:
        reply.chunks.push_back({Bytes(fault->param ? fault->param : DefaultGarbageBytes, GarbageByte), 0});
        reply.chunks.push_back({answer, 0});
        break;
    case FaultKind::InterByteGap: {
        const std::size_t cut = std::max<std::size_t>(7, answer.size() / 2);
        reply.chunks.push_back({Bytes(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(cut)),
                                fault->param ? fault->param : DefaultGapFaultMs});
        reply.chunks.push_back({Bytes(answer.begin() + static_cast<std::ptrdiff_t>(cut), answer.end()), 0});
        break;
    }
    case FaultKind::OverLongLength: {
        Bytes bogus{FrameStart, HostAddress, DeviceAddress, 0x00, static_cast<std::uint8_t>(OverLongAnnounced >> 8),
                    static_cast<std::uint8_t>(OverLongAnnounced & 0xFF)};
        bogus.resize(bogus.size() + OverLongTail, 0x00);
        reply.chunks.push_back({bogus, 0});
        break;
    }
    case FaultKind::NotAvailable:
        reply.chunks.push_back({DeviceAnswer(0x62, {0x7F, 0x00, 0x00, 0x00, 0x00, 0x00}), 0});
        break;
    case FaultKind::ShortAnswer: {
        const std::size_t keep = std::min<std::size_t>(answer.size() - 2, ShortAnswerHead + fault->param);
        Bytes cut(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(keep));
        SealNormal(cut);
        reply.chunks.push_back({cut, 0});
        break;
    }
    case FaultKind::Silence:
    case FaultKind::BlockError:
    case FaultKind::EarlierBlockFailed: break;
    }
    return reply;
}

} // namespace KrixEmu
