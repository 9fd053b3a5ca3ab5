#pragma once
// The scripted tester of the emulator program: a list of requests with the answers expected,
// sent on the emulated bus one after the other, every frame printed.
//
// Script lines ('#' starts a comment, blank lines are skipped):
//   can   <request bytes> => <answer bytes>
//   kline <request frame> => <answer frame> [; <answer frame> ...]
// Bytes are hex digits, blanks allowed between pairs. A CAN request and answer are messages
// (the ISO 15765-2 framing is the tester's); K-line frames are given whole.
#include "BusTester.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace KrixEmu {

struct ScriptStep {
    enum class Bus { Can, KLine };
    Bus bus = Bus::Can;
    Bytes request;
    std::vector<Bytes> expected;
    int line = 0;
};

// The steps of a script, or nothing with the first fault in *error ("line 3: ...").
std::optional<std::vector<ScriptStep>> ParseTesterScript(std::istream& in, std::string* error);

// Prints the protocol the host set: the parameter block and the three lists.
void PrintProtocolSetting(const KrixEmulator& emulator, std::ostream& out);

// Runs the steps in order and prints each exchange; true when every answer was the expected one.
// Each exchange's frames leave the tester's transcript once they are printed, so that a script
// of any length runs in the same memory.
// Once the tester is interrupted it stops at the exchange in progress, which then counts as
// neither expected nor not: the result speaks of the exchanges before it.
bool RunTesterScript(BusTester& tester, const std::vector<ScriptStep>& steps, std::ostream& out);

} // namespace KrixEmu
