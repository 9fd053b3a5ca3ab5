#pragma once
// A pair of Bluetooth serial modules in front of the device: the local module on the host's line
// (always 115200 baud on the host's side) and the remote module on the device's line. Pure, like
// DeviceModel: the emulator feeds it the host's bytes and writes what it returns.
//
// Until a call connects them the local module takes the host's bytes as its own: set-up frames
// (D5 E1, address, command, count, data, sum of the bytes before modulo 256) and text lines
// ending in CR or LF. "call <address> 1 rfcomm" with the remote module's address is answered
// "CALL 0", then "CONNECT 0", and connects; "set ..." lines are taken without an answer. Once
// connected, every byte goes to the device, except set-up frames that start between two device
// frames. Set-up replies: E5 D5 E1, command + 0x40, 01, 00, sum of the bytes before.
//
// Set-up commands: reset (0x24) of the local module (0x10) drops the connection; reset of the
// remote module (0x11) too; remote speed (0x21, to 0x11) sets the speed of the device's side by
// its code (3 9600, 5 38400, 7 115200). The remote module answers only while connected.
#include "DeviceModel.h"
#include "EmulatorFrames.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace KrixEmu {

constexpr std::uint32_t ModuleHostBaud = 115200;
constexpr std::uint8_t LocalModuleAddress = 0x10;
constexpr std::uint8_t RemoteModuleAddress = 0x11;
constexpr std::uint8_t ModuleFrameStart[2] = {0xD5, 0xE1};
constexpr std::uint8_t ModuleReset = 0x24;
constexpr std::uint8_t ModuleRemoteSpeed = 0x21;
constexpr std::uint8_t ModuleReplyLead = 0xE5;
constexpr std::uint32_t ModuleLinePauseMs = 20; // between "CALL 0" and "CONNECT 0"

enum class ModuleFaultKind {
    Silence,      // no answer (and nothing done)
    Error,        // "ERROR" instead of the answer (and nothing done)
    BadCheckByte, // the set-up reply with a wrong check byte (the command is carried out)
};

enum class ModuleStep { Any, LocalReset, RemoteReset, RemoteSpeed, Call };

struct ModuleFault {
    ModuleFaultKind kind = ModuleFaultKind::Silence;
    ModuleStep step = ModuleStep::Any;
    int times = 1; // -1 for ever
};

struct ModuleOutput {
    Bytes toDevice;
    std::vector<Chunk> toHost;
};

class BluetoothModuleModel {
public:
    BluetoothModuleModel(std::string remoteAddress, std::uint32_t remoteBaud);

    // One byte from the host. deviceIdle: the device is between frames.
    ModuleOutput Push(std::uint8_t byte, bool deviceIdle);
    // Forgets a set-up frame or line half received (the host's bytes came at another speed).
    void ResetParser();
    void AddFault(const ModuleFault& fault) { faults_.push_back(fault); }

    bool Connected() const { return connected_; }
    std::uint32_t RemoteBaud() const { return remoteBaud_; }
    // Every set-up frame and text line received, in order.
    const std::vector<Bytes>& SetupFrames() const { return setupFrames_; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The speed of a remote speed code; 0 for a code without one.
    static std::uint32_t BaudOfCode(std::uint8_t code);
    static Bytes SetupReply(std::uint8_t command);

private:
    void HandleSetup(ModuleOutput& out);
    void HandleLine(const std::string& line, ModuleOutput& out);
    bool TakeFault(ModuleStep step, ModuleFault* fault);

    std::string remoteAddress_;
    std::uint32_t remoteBaud_;
    bool connected_ = false;
    Bytes setup_;
    std::string line_;
    std::deque<ModuleFault> faults_;
    std::vector<Bytes> setupFrames_;
    std::vector<std::string> lines_;
};

} // namespace KrixEmu
