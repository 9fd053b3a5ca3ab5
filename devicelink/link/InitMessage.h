#pragma once
// The message that StatusInitKrix reports once the initialisation is done.
//
// For the programs whose device reports a message of its own (outside transparent mode), the
// device's link state and activation status record are read on the caller's thread
// (TKrixThread::readInitInfo); a plain message record gives four messages, each built into its
// display line, and the message is the four lines, each followed by "\n". Otherwise, and whenever
// the device gives no plain record, the message is message 1 of the message catalogue.
#include <QString>

#include <cstdint>

class TKrixThread;

namespace InitMessage {

// The fallback: message 1 of the message catalogue, first line.
constexpr std::int32_t DefaultId = 1;
constexpr std::int32_t DefaultSource = 0;
constexpr std::int32_t DefaultSlot = 0;

// The programs whose device reports its own initialisation message: these, and every program
// from ListedFrom on.
constexpr std::int32_t ListedPrograms[] = {146, 147, 150, 151, 152, 159, 160, 171, 194, 197, 199, 212, 220, 221, 223};
constexpr std::int32_t ListedFrom = 334;

bool DeviceReportsMessage(std::int32_t programNumber);

// linkMode: the last non-zero SetMode value (0: never set, the device is in normal mode).
QString Build(TKrixThread& thread, std::int32_t programNumber, std::uint8_t linkMode);

} // namespace InitMessage
