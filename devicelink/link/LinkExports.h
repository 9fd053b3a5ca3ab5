#pragma once
// The link functions of libkrix_interface.so as C++ functions, with the library's globals
// (DllState, the one driver thread, the kept port settings, ProgramNumber, LinkMode and
// EcuSelection). The exported C functions call these one for one; the tests call them
// in-process.
//
// Every function runs on the caller's thread. One lock guards the globals and is held for the
// whole of a call (StatusTransparent's pause is taken before it, and WaitRxFrame waits without
// it), so a call from one thread can never meet a driver thread that another thread is deleting
// or replacing. The driver thread itself never takes it.
//
// Called without a driver thread, every function returns its failure value: false, -14 for
// InitComKrix and StatusInitKrix, 0 for StatusTransparent; ResetKrix and SetBluetooth do
// nothing.
#include "EcuSelection.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class TKrixThread;

namespace LinkExports {

// DllState.
constexpr std::uint8_t StateNoThread = 10;
constexpr std::uint8_t StateThreadOrEcu = 20;
constexpr std::uint8_t StateLinkInitialised = 30;

constexpr std::int32_t ResultWrongState = -14;
constexpr std::int32_t NoLink = 46; // StatusKrix before a link exists
constexpr std::int32_t NoThreadTransparentState = 0;

constexpr std::size_t StatusInitTextRoom = 360; // 16-bit units of StatusInitKrix's buffer
constexpr std::uint32_t StatusTransparentPauseMs = 100;
constexpr std::uint32_t ResetAnswerTimeoutMs = 5000;
constexpr int ResetControlCode = 2;

// EcuSelection's limits; SetEcuDirect refuses what does not fit.
constexpr std::uint32_t MaxSystemNumber = 9999;
constexpr int MinCode = -9;
constexpr int MaxCode = 99;

// The ECU that system 0 stands for.
constexpr std::int32_t DefaultProgram = 601;
constexpr char DefaultLetter = '@';
constexpr const char* DefaultSetMux = "000F00100000";

// WaitRxFrame: its results and its longest wait.
constexpr std::int32_t WaitFrameThere = 1;
constexpr std::int32_t WaitNoFrame = 0;
constexpr std::int32_t WaitNoThread = -1;
constexpr std::int32_t MaxWaitRxFrameMs = 1000;

bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan);
bool DeleteThreadKrix();
void ResetKrix();
bool SetMode(std::uint8_t mode);
bool SetEcuDirect(std::uint32_t system, char letter, const char* setMux, char code, const char* dataDir);
std::int32_t InitComKrix(std::uint8_t directOpen);
std::int32_t StatusInitKrix(std::uint16_t* textOut);
bool SetProtocolType(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1,
                     std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3);
bool StartStop_Ecu(std::uint8_t start);
bool TxFrame(int reserved, int length, const std::uint8_t* data);
bool RxFrame(int* length, std::uint8_t* data);
std::int32_t StatusTransparent();
// 1 once a received bus frame waits for RxFrame (at once when one already does), 0 after
// timeoutMs (clamped to 0..1000) without one or when the driver thread is being ended, -1 at
// once without a driver thread. Woken by the driver thread when it queues a frame.
std::int32_t WaitRxFrame(std::int32_t timeoutMs);
std::int32_t StatusKrix();
std::int32_t SetEcu(std::uint32_t index);
// The Bluetooth link flag and module address for the driver thread's next port opening, kept
// for the thread that ResetKrix makes. With the flag on, an address that cannot stand in the
// module's command line (empty, or with a blank or control character) is refused: nothing
// changes. With the flag off the address is not checked (it is not used): the modules are always
// switched off, and an address that could not be used is not kept.
void SetBluetooth(std::uint8_t on, const char* moduleAddress);

// For the tester functions and the tests.
std::uint8_t DllState();
std::int32_t ProgramNumber();
std::uint8_t LinkMode();
EcuSelectionRecord EcuSelection(); // a copy
// The tester functions' choice of an ECU: the whole record, for the next InitComKrix.
void SetEcuSelection(const EcuSelectionRecord& record);
bool HasDriverThread();

// The driver thread as the tester exports see it. The thread's tables, its live activation record
// and its link and step states are reached through the thread object (TKrixThread.h); tests fill
// them the same way, so every path past an export's gates can be driven without a device.
struct DriverContext {
    TKrixThread* thread = nullptr; // nullptr without a driver thread
    std::uint8_t dllState = StateNoThread;
    std::int32_t programNumber = 0;
    std::uint8_t linkMode = 0;
};
// Runs f under the library's lock, so the thread can be neither deleted nor replaced while f
// uses it. f must not wait for long (every other link function waits for the lock) and must not
// call another function of this header.
void WithDriver(const std::function<void(const DriverContext&)>& f);
// For the tests: DllState and ProgramNumber as a device initialisation would have left them,
// without a device. Nothing else changes.
void SetStateForTests(std::uint8_t dllState, std::int32_t programNumber);

} // namespace LinkExports
