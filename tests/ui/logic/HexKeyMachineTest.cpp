// The hex editors' key logic without a widget: the table of key cases, each key a press and a
// release as an editor hands them on.
#include <gtest/gtest.h>

#include "HexKeyCases.h"
#include "HexKeyMachine.h"

#include <vector>

namespace {

// The presses of a token: one key, or for ^c the Ctrl key alone and then C with it, for +A the
// Shift key alone and then A with it.
std::vector<HexKeyPress> PressesOf(const std::string& token) {
    if (token == "^c") return {{HexKey::Modifier}, {HexKey::Other}};
    if (token.size() == 2 && token[0] == '+') return {{HexKey::Modifier}, {HexKey::Digit, token[1]}};
    if (token.size() == 1)
        return {HexDigitOf(token[0]) != 0 ? HexKeyPress{HexKey::Digit, token[0]} : HexKeyPress{HexKey::Other}};
    static const std::pair<const char*, HexKey> Named[] = {
        {"BS", HexKey::Backspace}, {"DEL", HexKey::Delete}, {"LEFT", HexKey::Left},   {"RIGHT", HexKey::Right},
        {"UP", HexKey::Up},        {"DOWN", HexKey::Down},  {"SHIFT", HexKey::Modifier}, {"CTRL", HexKey::Modifier},
        {"ALT", HexKey::Modifier}};
    for (const auto& [name, key] : Named)
        if (token == name) return {{key}};
    return {{HexKey::Other}}; // HOME, END, INS, TAB
}

class HexKeyMachineCases : public ::testing::TestWithParam<HexKeyCase> {};

} // namespace

TEST_P(HexKeyMachineCases, KeysGiveTheTextAndCaret) {
    const HexKeyCase& c = GetParam();
    HexKeyMachine machine({c.Text, c.Caret, c.SelLength, c.MaxLength});
    int beeps = 0;
    for (const std::string& token : HexKeyTokens(c.Keys))
        for (const HexKeyPress& press : PressesOf(token)) {
            if (machine.KeyDown(press, c.Overwrite).Beep) ++beeps;
            machine.KeyUp(press.Key);
        }
    EXPECT_EQ(machine.State().Text, c.ExpectText);
    EXPECT_EQ(machine.State().Caret, c.ExpectCaret);
    EXPECT_EQ(machine.State().SelLength, 0);
    EXPECT_EQ(beeps, c.ExpectBeeps);
}

INSTANTIATE_TEST_SUITE_P(Table, HexKeyMachineCases, ::testing::ValuesIn(HexKeyCases),
                         [](const ::testing::TestParamInfo<HexKeyCase>& info) { return std::string(info.param.Name); });

TEST(HexKeyMachine, TheOutcomeSaysWhetherTheTextChanged) {
    HexKeyMachine machine({"12 34", 0, 0, 0});
    EXPECT_FALSE(machine.KeyDown({HexKey::Digit, '1'}, true).TextChanged); // the same digit again
    EXPECT_TRUE(machine.KeyDown({HexKey::Digit, '9'}, true).TextChanged);
    EXPECT_FALSE(machine.KeyUp(HexKey::Digit).TextChanged);
    EXPECT_FALSE(machine.KeyDown({HexKey::Right}, true).TextChanged);

    // A state from outside is clamped to its text; the key-up re-forms whatever the editor held.
    machine.SetState({"0102", 9, 4, -1});
    EXPECT_EQ(machine.State(), (HexEditorState{"0102", 4, 0, 0}));
    EXPECT_TRUE(machine.KeyUp(HexKey::Other).TextChanged);
    EXPECT_EQ(machine.State(), (HexEditorState{"01 02", 4, 0, 0}));
}

TEST(HexKeyMachine, FormHexPairs) {
    EXPECT_EQ(FormHexPairs(""), "");
    EXPECT_EQ(FormHexPairs("0"), "0");
    EXPECT_EQ(FormHexPairs("01 0"), "01 0");
    EXPECT_EQ(FormHexPairs(" 0 1020  3"), "01 02 03");
}
