#pragma once
// InitDevice: the engine's initialisation of the device link for one simulation, run on the
// engine's thread right after CreateThreadKrix has succeeded. It puts the link into transparent
// mode, hands it the simulated system and its data folder, starts and awaits the device's own
// initialisation, builds the bus parameter block from the simulation file, packs the
// tester-present exchange and sends it all with SetProtocolType until the device accepts.
#include <cstdint>
#include <functional>
#include <string>

#include "DeviceInitBlocks.h"
#include "LibraryBinding.h"

class TCustomIniFile;

inline constexpr std::uint8_t TransparentMode = 1;
inline constexpr char SetEcuLetter = '-';
inline constexpr char SetEcuCode = 0;
inline constexpr const char* DefaultSetMux = "000B00304000";
inline constexpr std::size_t SetMuxRoom = 15; // characters the link's SetMux field holds
inline constexpr std::uint32_t StatusInitPollMs = 500;
inline constexpr std::uint32_t StatusTransparentPollMs = 300;
inline constexpr std::uint32_t RefusedAttemptPauseMs = 300;
inline constexpr int ProtocolTypeAttempts = 4;
inline constexpr int StatusInitTextRoom = 360; // 16-bit characters
inline constexpr std::int32_t StatusInitRunning = 1;
inline constexpr std::int32_t TransparentPending = 2;
inline constexpr std::int32_t TransparentAccepted = 1;

// What the initialisation reads besides the simulation file.
struct DeviceInitInput {
    const TCustomIniFile* Simulation = nullptr;
    std::int32_t SimulatorSystem = 0;
    std::string DataFolder; // the simulation's Default_file folder, with its trailing '/'
    std::uint32_t Tgt = 0;  // the engine's [PROTOCOL] Tgt and Src
    std::uint32_t Src = 0;
};

// What the initialisation fills in the engine; it survives from one initialisation to the next.
struct DeviceLinkState {
    TKLineParams KLineParams{};
    TCanParams CanParams{};
    std::uint8_t KLineFlag = 0; // 1: the K-line block is in use
    std::int32_t LastError = 0;
};

// Waits ms milliseconds; false when the engine is asked to end (the initialisation gives up).
using EnginePause = std::function<bool(std::uint32_t ms)>;

// The settings of each block as the simulation file gives them.
CanSettings ReadCanSettings(const TCustomIniFile& simulation);
KLineSettings ReadKLineSettings(const TCustomIniFile& simulation, std::uint32_t tgt, std::uint32_t src);

// Runs the initialisation; true when the device accepted the protocol. On false, state.LastError
// holds the code to report (unchanged where the failing call returns a bool). A failure raised
// inside (a pack routine, for example) is shown as "Init KRIX Function Error!\n" + message.
// The CAN identifiers are published to the bus link when the CAN block is used.
bool InitDevice(const KrixLinkFunctions& link, const DeviceInitInput& input, DeviceLinkState& state,
                const EnginePause& pause);
