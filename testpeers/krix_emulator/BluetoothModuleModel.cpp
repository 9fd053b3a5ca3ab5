#include "BluetoothModuleModel.h"

#include <sstream>

namespace KrixEmu {
namespace {

constexpr std::size_t CountIndex = 4;
constexpr std::size_t FrameOverhead = 6;
constexpr std::size_t MaxLine = 255;
constexpr std::uint8_t ReplyOffset = 0x40;

std::uint8_t Sum(const Bytes& bytes, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

Bytes Text(const std::string& line) {
    const std::string withEnd = line + "\r\n";
    return Bytes(withEnd.begin(), withEnd.end());
}

} // namespace

BluetoothModuleModel::BluetoothModuleModel(std::string remoteAddress, std::uint32_t remoteBaud)
    : remoteAddress_(std::move(remoteAddress)), remoteBaud_(remoteBaud) {}

std::uint32_t BluetoothModuleModel::BaudOfCode(std::uint8_t code) {
    static constexpr std::uint32_t Bauds[] = {0, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return code < std::size(Bauds) ? Bauds[code] : 0;
}

Bytes BluetoothModuleModel::SetupReply(std::uint8_t command) {
    Bytes reply{ModuleReplyLead, ModuleFrameStart[0], ModuleFrameStart[1], static_cast<std::uint8_t>(command + ReplyOffset),
                0x01, 0x00};
    reply.push_back(Sum(reply, reply.size()));
    return reply;
}

void BluetoothModuleModel::ResetParser() {
    setup_.clear();
    line_.clear();
}

bool BluetoothModuleModel::TakeFault(ModuleStep step, ModuleFault* fault) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if ((it->step != ModuleStep::Any && it->step != step) || it->times == 0)
            continue;
        *fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        return true;
    }
    return false;
}

ModuleOutput BluetoothModuleModel::Push(std::uint8_t byte, bool deviceIdle) {
    ModuleOutput out;
    if (!setup_.empty()) {
        setup_.push_back(byte);
        if (setup_.size() == 2 && byte != ModuleFrameStart[1]) {
            // Not a set-up frame after all: the device's bytes while connected, else noise.
            if (connected_)
                out.toDevice = setup_;
            setup_.clear();
        } else if (setup_.size() > CountIndex && setup_.size() == setup_[CountIndex] + FrameOverhead) {
            HandleSetup(out);
            setup_.clear();
        }
        return out;
    }
    if (byte == ModuleFrameStart[0] && (!connected_ || deviceIdle)) {
        setup_.push_back(byte);
        return out;
    }
    if (connected_) {
        out.toDevice.push_back(byte);
        return out;
    }
    if (byte == '\r' || byte == '\n') {
        if (!line_.empty())
            HandleLine(line_, out);
        line_.clear();
    } else if (line_.size() < MaxLine) {
        line_.push_back(static_cast<char>(byte));
    }
    return out;
}

void BluetoothModuleModel::HandleSetup(ModuleOutput& out) {
    const Bytes frame = setup_;
    setupFrames_.push_back(frame);
    if (frame.back() != Sum(frame, frame.size() - 1))
        return; // a damaged command is not answered
    const std::uint8_t address = frame[2];
    const std::uint8_t command = frame[3];
    ModuleStep step;
    if (command == ModuleReset)
        step = address == LocalModuleAddress ? ModuleStep::LocalReset : ModuleStep::RemoteReset;
    else if (command == ModuleRemoteSpeed)
        step = ModuleStep::RemoteSpeed;
    else
        return;
    const bool remote = address == RemoteModuleAddress;
    if (remote && !connected_)
        return; // nobody to pass it on to
    ModuleFault fault;
    const bool faulty = TakeFault(step, &fault);
    if (faulty && fault.kind == ModuleFaultKind::Silence)
        return;
    if (faulty && fault.kind == ModuleFaultKind::Error) {
        out.toHost.push_back({Text("ERROR"), 0});
        return;
    }
    if (command == ModuleReset) {
        connected_ = false;
    } else if (remote && frame[CountIndex] > 0) {
        if (const std::uint32_t baud = BaudOfCode(frame[CountIndex + 1]); baud != 0)
            remoteBaud_ = baud;
    }
    Bytes reply = SetupReply(command);
    if (faulty && fault.kind == ModuleFaultKind::BadCheckByte) {
        reply.back() = static_cast<std::uint8_t>(reply.back() + 1);
        if (reply.back() == ModuleReplyLead) // that one would be dropped instead of refused
            reply.back() = static_cast<std::uint8_t>(reply.back() + 1);
    }
    out.toHost.push_back({reply, 0});
}

void BluetoothModuleModel::HandleLine(const std::string& line, ModuleOutput& out) {
    lines_.push_back(line);
    std::istringstream words(line);
    std::string verb, address, channel, profile;
    words >> verb >> address >> channel >> profile;
    if (verb != "call")
        return; // "set ..." and anything else: taken without an answer
    ModuleFault fault;
    const bool faulty = TakeFault(ModuleStep::Call, &fault);
    if (faulty && fault.kind == ModuleFaultKind::Silence)
        return;
    if (faulty && fault.kind == ModuleFaultKind::Error) {
        out.toHost.push_back({Text("ERROR"), 0});
        return;
    }
    if (address != remoteAddress_ || profile != "rfcomm") {
        out.toHost.push_back({Text("NO CARRIER 0 ERROR"), 0});
        return;
    }
    out.toHost.push_back({Text("CALL 0"), ModuleLinePauseMs});
    out.toHost.push_back({Text("CONNECT 0"), 0});
    connected_ = true;
}

} // namespace KrixEmu
