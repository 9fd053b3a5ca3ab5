#pragma once
// The device initialisation that InitComKrix asks for, run on the driver thread: the serial
// link is opened (optionally with a scan of every serial port) and probed, the bus multiplexer
// set, the link switched to 115200 baud for the program download and back to 38400, the device
// program started and, outside transparent mode, the device's identifier lists read.
#include "DeviceFrames.h"

#include <QString>

#include <cstdint>

class TKrixThread;

// Outcomes of InitKRIX: 1 requested or running, 0 done, or a failure.
namespace InitResult {
constexpr std::int32_t Running = 1;
constexpr std::int32_t Done = 0;
constexpr std::int32_t PortNotOpened = -1;
constexpr std::int32_t ProgramNotStarted = -4;
constexpr std::int32_t NoDevice = -5;          // probes, mux write, block, letter, lists, value
constexpr std::int32_t DeviceRecordNotRead = -6;
constexpr std::int32_t DownloadFailed = -7;    // a baud switch refused or the download failed
constexpr std::int32_t BluetoothResetFailed = -8;
constexpr std::int32_t BluetoothCallFailed = -9;
constexpr std::int32_t BluetoothNotOpened = -10;
} // namespace InitResult

// The figures of the sequence.
namespace InitTiming {
constexpr int LineBaud = 38400;
constexpr int DownloadBaud = 115200;
constexpr std::uint32_t ProbeTimeoutMs = 5000;
constexpr std::uint32_t BeforeOpenMs = 100;
constexpr std::uint32_t BetweenProbesMs = 100;
constexpr std::uint32_t BeforeRecordMs = 200;
constexpr std::uint32_t AfterRecordRefusalMs = 2000;
constexpr int RecordAttempts = 3;
constexpr int MuxWriteAttempts = 3;
constexpr int MuxReadPolls = 10;
constexpr std::uint32_t MuxReadPauseMs = 100;
constexpr std::uint32_t AroundBaudSwitchMs = 200;
constexpr int ProgramStartAttempts = 3;
constexpr std::uint32_t BeforeEcuDataMs = 300;
constexpr std::size_t ProgramBlockSize = 512;
constexpr std::uint8_t EcuDirectKindSent = 0x80; // blocks of a lower kind are not sent
} // namespace InitTiming

// Results of openKrixComport besides the negative opening errors.
namespace PortResult {
constexpr int Found = 0;
constexpr int NoAnswer = 1;
constexpr int RecordNotRead = 5;
} // namespace PortResult

std::int32_t InitKRIX(TKrixThread& thread);
int openKrixComport(TKrixThread& thread, int tries);

// The mux record of a SetMux text: byte 0 from character 3 ('A' 0x01 ... 'H' 0x80, else 0),
// bytes 1-4 the characters from position 4 on as a hexadecimal number (its low 32 bits; reading
// stops at the first character that is no hex digit), most significant byte first.
void BuildMuxRecord(const QString& setMux, std::uint8_t (&record)[FixedCommand::MuxRecordSize]);

// The 16 bytes of the EcuDirectBlock command from the thread's five words: the kind byte, the
// 24-bit identifier least significant byte first, then the 12 name bytes (words 2 to 4, each
// least significant byte first, as the name lies in memory).
void BuildEcuDirectBytes(const std::uint32_t (&words)[5], std::uint8_t (&bytes)[FixedCommand::EcuDirectBlockSize]);
