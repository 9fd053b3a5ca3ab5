// The host's view of a running activation built from the live record that the test sets: view
// kinds 0 to 5 with their values, units and change tests, keys, the digit entry in its input
// modes, the texts cut to their fields, the end and a failed link. A driver thread runs beside
// the test.
#include "ActivationFixture.h"
#include "ActivationMemory.h"
#include "ActivationValues.h"

#include <array>
#include <vector>

using namespace ActivationFixture;
using namespace ActivationExports;

namespace {

constexpr unsigned char Pattern = 0xA5;
constexpr unsigned char Other = 0x3C;
constexpr std::size_t StateBytes = offsetof(ActivationView, text);
const std::string Untouched(ActivationView::ValueTextBytes, '\xA5'); // a value text left as it was

// The host's view, filled with a pattern so that every field the call leaves shows.
struct HostView {
    HostView() { std::memset(&view, Pattern, sizeof view); }
    std::int32_t Show() { return ActivationExports::MessageView(&view); }
    std::vector<unsigned char> Bytes(std::size_t from = 0) const {
        const auto* p = reinterpret_cast<const unsigned char*>(&view);
        return std::vector<unsigned char>(p + from, p + sizeof view);
    }
    ActivationView view;
};

std::string ValueField(const char (&field)[ActivationView::ValueTextBytes]) {
    if (std::memcmp(field, Untouched.data(), sizeof field) == 0)
        return "(untouched)";
    return Text(field);
}

std::u16string Blanks(std::size_t n) { return std::u16string(n, u' '); }

// The record of a view kind with its values, on message ReadValue with the unit in rpm.
ActivationState Values(std::uint8_t kind, std::uint8_t decimals, float a, float b, float c) {
    ActivationState s = Messages({ReadValue});
    s.viewKind = kind;
    s.decimals = decimals;
    s.valueA = a;
    s.valueB = b;
    s.valueC = c;
    s.unitOrFormat = Rpm;
    return s;
}

} // namespace

TEST_F(ActivationTest, MessagesFillTheLinesOfTheirSlotsWithTheirKeys) {
    Restart();
    ActivationState live = Messages({PressStart, EngineRunning, 0, ReadValue});
    live.value = 0;
    live.stateWord = 0;
    SetLive(live);
    HostView h;
    ASSERT_EQ(h.Show(), ViewUpToDate);
    const ActivationView& v = h.view;

    EXPECT_EQ(Text(v.text), u"Press start\nEngine running\n\nValue read\n");
    EXPECT_EQ(v.messageType, Pattern); // the host's
    EXPECT_EQ(v.reserved17[0], Pattern);
    EXPECT_EQ(v.messageId[1], EngineRunning);
    EXPECT_EQ(v.digitCount, 1);
    for (const auto* t : {&v.valueText1, &v.valueText2, &v.valueText3})
        EXPECT_EQ(ValueField(*t), "----");
    EXPECT_EQ(v.value1Shown + v.value2Shown + v.value3Shown + v.unitShown, 0);
    EXPECT_EQ(v.unitText[0], 0xA5A5); // not written in view kind 0
    EXPECT_EQ(v.valueLayout, Pattern);
    EXPECT_EQ(v.stateFlag0, 1);
    EXPECT_EQ(v.stateFlag2, 0);
    EXPECT_EQ(v.entryFlag, 0);
    for (std::uint8_t e : v.digitEnabled)
        EXPECT_EQ(e, 0);

    // The key string #F1=1#ESC=5#X=9#: key 1 F1, key 5 ESC with code 0, no key 9.
    EXPECT_EQ(Text(v.keys[0].label), "F1");
    EXPECT_EQ(v.keys[0].code, 1);
    EXPECT_EQ(v.keys[0].shown, 1);
    EXPECT_EQ(Text(v.keys[4].label), "ESC");
    EXPECT_EQ(v.keys[4].code, 0);
    EXPECT_EQ(v.keys[4].shown, Pattern); // key 5 has no shown byte of the library's
    for (std::size_t k = 1; k < 4; ++k) {
        EXPECT_EQ(Text(v.keys[k].label), "");
        EXPECT_EQ(v.keys[k].code, 1);
        EXPECT_EQ(v.keys[k].shown, 0);
    }

    // Nothing the host sees has changed: only the leading fields are copied again.
    std::memset(reinterpret_cast<unsigned char*>(&h.view) + StateBytes, Other, sizeof h.view - StateBytes);
    live.value = 77;
    SetLive(live);
    const std::vector<unsigned char> rest = h.Bytes(StateBytes);
    ASSERT_EQ(h.Show(), ViewUpToDate);
    EXPECT_EQ(h.view.value, 77u);
    EXPECT_EQ(h.Bytes(StateBytes), rest);
}

TEST_F(ActivationTest, AMessageWithoutKeysLeavesEveryKeyUnnamed) {
    Restart();
    SetLive(Messages({EngineRunning}));
    HostView h;
    ASSERT_EQ(h.Show(), ViewUpToDate);
    for (std::size_t k = 0; k < ActivationView::Keys; ++k) {
        EXPECT_EQ(Text(h.view.keys[k].label), "");
        EXPECT_EQ(h.view.keys[k].code, 1);
    }
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(h.view.keys[k].shown, 0);
    EXPECT_EQ(h.view.keys[4].shown, Pattern);
}

TEST_F(ActivationTest, EachViewKindShowsItsValuesAndUnit) {
    using Activation::MarkerFD;
    using Activation::MarkerFE;
    using Activation::MarkerFF;
    struct Case {
        std::uint8_t kind;
        std::uint8_t decimals;
        float a, b, c;
        std::string texts[3];
        std::uint8_t shown[3];
        std::uint8_t unitShown;
    };
    const Case cases[] = {
        {0, 3, 1.0f, 2.0f, 3.0f, {"----", "----", "----"}, {0, 0, 0}, 0},
        {2, 3, MarkerFE, 2.0f, 3.0f, {"----", "0", "----"}, {0, 1, 0}, 1},
        {3, 1, 2.5f, -1.0f, 100.0f, {"100.0", "2.5", "-1.0"}, {1, 1, 1}, 1},
        {4, 2, 12.5f, 2.0f, MarkerFD, {">><<", "12.50", "----"}, {1, 1, 0}, 1},
        {5, 0, MarkerFF, 7.6f, 3.0f, {"----", "---", "8"}, {0, 1, 1}, 1},
        {9, 3, 1.0f, 2.0f, 3.0f, {"(untouched)", "(untouched)", "(untouched)"}, {Pattern, Pattern, Pattern}, Pattern},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.kind});
        Restart();
        SetLive(Values(c.kind, c.decimals, c.a, c.b, c.c));
        HostView h;
        ASSERT_EQ(h.Show(), ViewUpToDate);
        const ActivationView& v = h.view;
        EXPECT_EQ(ValueField(v.valueText1), c.texts[0]);
        EXPECT_EQ(ValueField(v.valueText2), c.texts[1]);
        EXPECT_EQ(ValueField(v.valueText3), c.texts[2]);
        EXPECT_EQ(v.value1Shown, c.shown[0]);
        EXPECT_EQ(v.value2Shown, c.shown[1]);
        EXPECT_EQ(v.value3Shown, c.shown[2]);
        EXPECT_EQ(v.unitShown, c.unitShown);
        if (c.unitShown == 1) {
            EXPECT_EQ(Text(v.unitText), u"rpm");
        }
        EXPECT_EQ(Text(v.text), u"Value read\n\n\n\n");
    }
}

TEST_F(ActivationTest, EachViewKindWatchesOnlyTheValuesItShows) {
    // Which of valueA, valueB, valueC make a view kind be built again.
    struct Case {
        std::uint8_t kind;
        bool a, b, c;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, true, true, true}, {2, true, false, false},
        {3, true, true, true},    {4, true, false, true}, {5, true, true, false},
    };
    for (const Case& c : cases) {
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(testing::Message() << "kind " << int{c.kind} << " value " << "ABC"[which]);
            Restart();
            ActivationState live = Values(c.kind, 1, 1.0f, 2.0f, 3.0f);
            live.unitOrFormat = 2;
            SetLive(live);
            HostView h;
            ASSERT_EQ(h.Show(), ViewUpToDate);
            std::memset(h.view.text, Other, sizeof h.view.text);
            (which == 0 ? live.valueA : which == 1 ? live.valueB : live.valueC) += 10.0f;
            SetLive(live);
            ASSERT_EQ(h.Show(), ViewUpToDate);
            const bool rebuilt = h.view.text[0] != 0x3C3C;
            EXPECT_EQ(rebuilt, which == 0 ? c.a : which == 1 ? c.b : c.c);
        }
    }
}

TEST_F(ActivationTest, ViewKind1WritesItsValuesIntoTheLines) {
    struct Case {
        const char* name;
        std::uint32_t format;
        float a, b, c;
        std::u16string line1, line2, line3; // the number in the 25 blanks before the line
    };
    const std::u16string running = u"Engine running";
    const Case cases[] = {
        {"base 16", 16, -26.5f, 0.4f, 255.9f, u" ff" + Blanks(22) + running, u" -1a" + Blanks(21), u" 0" + Blanks(23)},
        {"base 10", 10, -3.7f, 1e30f, 12.0f, u" 12" + Blanks(22) + running, u" -3" + Blanks(22),
         u" 9223372036854775807" + Blanks(5)},
        {"two decimals", 2, 1.5f, -0.25f, 3.0f, u" 3.00" + Blanks(20) + running, u" 1.50" + Blanks(20),
         u" -0.25" + Blanks(19)},
        {"long number", 200, 3e38f, 0.0f, 1.0f, u" 1.000000000" + Blanks(13) + running, u" 300000000549775575777803",
         u" 0.000000000" + Blanks(13)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        ActivationState live = Messages({PressStart, EngineRunning});
        live.viewKind = 1;
        live.unitOrFormat = c.format;
        live.valueA = c.a;
        live.valueB = c.b;
        live.valueC = c.c;
        SetLive(live);
        HostView h;
        ASSERT_EQ(h.Show(), ViewUpToDate);
        const ActivationView& v = h.view;
        EXPECT_EQ(Text(v.text), u"Press start\n" + c.line1 + u"\n" + c.line2 + u"\n" + c.line3 + u"\n");
        EXPECT_EQ(v.valueLayout, 2);
        EXPECT_EQ(v.value1Shown + v.value2Shown + v.value3Shown + v.unitShown, 0);
        EXPECT_EQ(ValueField(v.valueText1), "(untouched)");
        EXPECT_EQ(ValueField(v.valueText2), "(untouched)");
        EXPECT_EQ(ValueField(v.valueText3), "(untouched)");
    }
}

TEST_F(ActivationTest, EveryTextIsCutToItsField) {
    Restart();
    ActivationState live = Values(2, 200, 3e38f, 0.0f, 0.0f);
    for (std::size_t i = 0; i < 4; ++i) {
        live.messageId[i] = LongMessage; // 4 x 200 characters
        live.slot[i] = static_cast<std::uint8_t>(i);
    }
    live.unitOrFormat = LongUnit; // 40 characters
    SetLive(live);
    HostView h;
    ASSERT_EQ(h.Show(), ViewUpToDate);
    const ActivationView& v = h.view;
    const std::u16string line(200, u'm');
    EXPECT_EQ(Text(v.text), (line + u"\n" + line).substr(0, ActivationView::TextUnits - 1));
    EXPECT_EQ(Text(v.unitText), std::u16string(std::size(v.unitText) - 1, u'u'));
    // The digits after the point capped at 9, the text at 25 characters.
    EXPECT_EQ(ValueField(v.valueText2), "3000000005497755757778039");
}

TEST_F(ActivationTest, TheStateWordSetsTheStateFlags) {
    const struct {
        std::uint32_t word;
        std::uint8_t flag0, flag2;
    } cases[] = {{0, 1, 0}, {2, 0, 1}, {5, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Restart();
        ActivationState live = Messages({PressStart});
        live.stateWord = c.word;
        SetLive(live);
        HostView h;
        ASSERT_EQ(h.Show(), ViewUpToDate);
        EXPECT_EQ(h.view.stateFlag0, c.flag0);
        EXPECT_EQ(h.view.stateFlag2, c.flag2);
    }
}

TEST_F(ActivationTest, InputMode2PreparesTheDigitEntry) {
    struct Case {
        const char* name;
        std::uint8_t entryType;
        std::uint8_t count;
        std::uint8_t mode; // every digitMode, or the pattern when untouched
        std::uint8_t base;
        std::array<std::uint8_t, 7> enabled;
        std::uint8_t entryFlag;
    };
    const Case cases[] = {
        {"hexadecimal", 16, 4, 2, 16, {1, 1, 1, 1, 0, 0, 0}, 0},
        {"decimal", 10, 7, 1, 10, {1, 1, 1, 1, 1, 1, 1}, 0},
        {"more digits than places", 10, 9, 1, 10, {Pattern, Pattern, Pattern, Pattern, Pattern, Pattern, Pattern}, 0},
        {"flagged", 55, 12, Pattern, Pattern, {Pattern, Pattern, Pattern, Pattern, Pattern, Pattern, Pattern}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        ActivationState live = Messages({EnterCode});
        live.inputMode = 2;
        live.entryType = c.entryType;
        live.digitCount = c.count;
        SetLive(live);
        HostView h;
        ASSERT_EQ(h.Show(), ViewUpToDate);
        const ActivationView& v = h.view;
        for (std::uint8_t m : v.digitMode)
            EXPECT_EQ(m, c.mode);
        EXPECT_EQ(v.digitBase, c.base);
        EXPECT_EQ(std::vector<std::uint8_t>(std::begin(v.digitEnabled), std::end(v.digitEnabled)),
                  std::vector<std::uint8_t>(c.enabled.begin(), c.enabled.end()));
        EXPECT_EQ(v.entryFlag, c.entryFlag);
        if (c.entryType != 55) {
            EXPECT_EQ(v.keys[0].shown, 1);
            EXPECT_EQ(v.keys[1].shown, 1);
            EXPECT_EQ(v.keys[2].shown, 0);
            EXPECT_EQ(v.keys[3].shown, 1);
            EXPECT_EQ(v.keys[3].code, 9);
        }
        // The same digit asked again: nothing new.
        EXPECT_EQ(h.Show(), ViewUpToDate);
        EXPECT_EQ(HandedValue(), 0u);
    }
}

TEST_F(ActivationTest, InputMode3SendsTheHostsDigitsOneByOne) {
    struct Case {
        const char* name;
        std::uint8_t count;
        std::uint8_t index;
        std::array<std::int8_t, 7> digits;
        bool sent;
        std::uint32_t value;
        std::array<std::int8_t, 7> after;
    };
    constexpr std::int8_t F = static_cast<std::int8_t>(0xFE);
    const Case cases[] = {
        {"the first", 3, 0, {4, 7, 9, 0, 0, 0, 0}, true, 4, {4, 7, 9, 0, 0, 0, 0}},
        {"the second", 3, 1, {4, 7, 9, 0, 0, 0, 0}, true, 7, {F, 7, 9, 0, 0, 0, 0}},
        {"all sent", 3, 3, {F, F, F, 0, 0, 0, 0}, true, 254, {F, F, F, 0, 0, 0, 0}},
        {"a negative digit widened", 2, 1, {1, -2, 0, 0, 0, 0, 0}, true, 0xFFFFFFFE, {F, -2, 0, 0, 0, 0, 0}},
        {"the last place", 7, 6, {1, 2, 3, 4, 5, 6, 7}, true, 7, {1, 2, 3, 4, 5, F, 7}},
        {"beyond the places", 9, 7, {1, 2, 3, 4, 5, 6, 7}, false, 0, {1, 2, 3, 4, 5, 6, F}},
        {"far beyond the places", 30, 20, {1, 2, 3, 4, 5, 6, 7}, false, 0, {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        ActivationState live = Messages({EnterCode});
        live.inputMode = 3;
        live.digitCount = c.count;
        live.digitIndex = c.index;
        SetLive(live);
        HostView h;
        std::copy(c.digits.begin(), c.digits.end(), h.view.digits);
        h.view.entryFlag = 1;
        ASSERT_EQ(h.Show(), ViewUpToDate);
        EXPECT_EQ(h.view.entryFlag, 0);
        EXPECT_EQ(std::vector<std::int8_t>(std::begin(h.view.digits), std::end(h.view.digits)),
                  std::vector<std::int8_t>(c.after.begin(), c.after.end()));
        // The thread takes one value an activation: a second one is refused when one was sent.
        EXPECT_EQ(ActivationExports::ValueActivation(99), c.sent ? 0 : 1);
        EXPECT_EQ(HandedValue(), c.sent ? c.value : 99u);
    }
}

TEST_F(ActivationTest, InputMode0DisablesEveryDigit) {
    Restart();
    SetLive(Messages({PressStart}));
    HostView h;
    std::fill(std::begin(h.view.digitEnabled), std::end(h.view.digitEnabled), 1);
    ASSERT_EQ(h.Show(), ViewUpToDate);
    for (std::uint8_t e : h.view.digitEnabled)
        EXPECT_EQ(e, 0);
}

TEST_F(ActivationTest, TheEndIsReportedOnceAndAFailedLinkStopsTheActivation) {
    Restart();
    SetLive(Messages({PressStart}));
    EndActivation();
    HostView h;
    EXPECT_EQ(h.Show(), ViewEnded);
    EXPECT_EQ(h.Bytes(), HostView().Bytes());
    EXPECT_EQ(h.Show(), ViewUpToDate);
    EXPECT_EQ(Text(h.view.text), u"Press start\n\n\n\n");

    h.view.entryFlag = 1;
    const std::vector<unsigned char> before = h.Bytes();
    FailLink();
    EXPECT_EQ(h.Show(), ViewLinkFailed);
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(h.view.entryFlag, 0);
    std::vector<unsigned char> expected = before;
    expected[offsetof(ActivationView, entryFlag)] = 0;
    EXPECT_EQ(h.Bytes(), expected);
}

TEST_F(ActivationTest, TheViewReachesAHostRecordAtAnyAddress) {
    ActivationState live = Values(3, 1, 2.5f, -1.0f, 100.0f);
    live.messageId[1] = PressStart;
    live.slot[1] = 1;
    Restart();
    SetLive(live);
    HostView aligned;
    ASSERT_EQ(aligned.Show(), ViewUpToDate);

    Restart();
    SetLive(live);
    std::vector<unsigned char> bytes(sizeof(ActivationView) + 1, Pattern);
    ASSERT_EQ(ActivationExports::MessageView(reinterpret_cast<ActivationView*>(bytes.data() + 1)), ViewUpToDate);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 1, bytes.end()), aligned.Bytes());
}

TEST_F(ActivationTest, AStartRefusedWhileOneRunsStillResetsTheViewAndKeepsTheNewId) {
    Restart(5);
    SetLive(Messages({PressStart}));
    HostView h;
    ASSERT_EQ(h.Show(), ViewUpToDate);
    ASSERT_EQ(Text(h.view.text), u"Press start\n\n\n\n");

    // Nothing changed: the view is not drawn again.
    std::memset(reinterpret_cast<unsigned char*>(&h.view) + StateBytes, Other, sizeof h.view - StateBytes);
    const std::vector<unsigned char> rest = h.Bytes(StateBytes);
    ASSERT_EQ(h.Show(), ViewUpToDate);
    ASSERT_EQ(h.Bytes(StateBytes), rest);

    // A second start is refused, the running activation goes on, yet the start has forgotten
    // what was shown and kept the id it was given: the next view is drawn whole.
    EXPECT_EQ(ActivationExports::StartStopActivation(7, 1), 0);
    EXPECT_EQ(Live().messageId[0], PressStart);
    EXPECT_EQ(Activation::WithActivation([](Activation::ActivationMemory& m) { return m.activationId; }), 7u);
    ASSERT_EQ(h.Show(), ViewUpToDate);
    EXPECT_NE(h.Bytes(StateBytes), rest);
    EXPECT_EQ(Text(h.view.text), u"Press start\n\n\n\n");
}
