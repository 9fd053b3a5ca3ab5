#pragma once
// Faults the emulator can put into its answers, for the tests of the library's error paths.
#include "EmulatorFrames.h"

#include <cstdint>

namespace KrixEmu {

enum class FaultKind {
    Silence,        // no answer at all
    WrongAnswer,    // a well-formed answer with a wrong command byte (byte 7)
    BadCheckWord,   // the right answer with its check word off by one bit
    GarbageBefore,  // param noise bytes (never 0x5B) before the right answer
    InterByteGap,   // the first half, a pause of param ms (over 200), then the rest
    OverLongLength, // a header announcing 1025 bytes, followed by a few bytes
    NotAvailable,   // the device's "item not offered" answer 5B 01 20 00 00 0F 62 7F 00 ...
    BlockError,     // a program block acknowledged with status 0 (transmission error)
    // The device keeps this block but reports (status 0) that the block before it failed to
    // load: that one is dropped from the program until it comes again.
    EarlierBlockFailed,
    // The right answer cut after param data bytes (those after byte 8), its length field and
    // check word made to match: well-formed, but shorter than the request calls for.
    ShortAnswer,
};

struct FaultRule {
    FaultKind kind = FaultKind::Silence;
    RequestKind match = RequestKind::Any;
    int row = -1;       // with match TableRow: only this row (-1 every row)
    int times = 1;      // answers it spoils; -1 for ever
    std::uint32_t param = 0; // GarbageBefore: byte count (0: 5); InterByteGap: pause ms (0: 250);
                             // ShortAnswer: data bytes kept
};

constexpr std::uint32_t DefaultGarbageBytes = 5;
constexpr std::uint32_t DefaultGapFaultMs = 250;
constexpr std::uint16_t OverLongAnnounced = 1025;

} // namespace KrixEmu
