// The activation exports on a driver thread whose activation table, live record and link state
// the test sets: the list with its names and kinds, the gates, start and stop, values, the
// device's request, the state poll and the step follower. A driver thread runs beside the test.
#include "ActivationFixture.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

using namespace ActivationFixture;
using namespace ActivationExports;

namespace {

constexpr std::uint8_t Pattern = 0xA5;
constexpr std::size_t SnapRoom = SnapRecordBytes + 64; // the host's record and bytes behind it

std::vector<unsigned char> Filled(std::size_t n) { return std::vector<unsigned char>(n, Pattern); }

std::int32_t SnapCount(const std::vector<unsigned char>& snap) {
    std::int32_t count = 0;
    std::memcpy(&count, snap.data() + SnapRecordLayout::CountOffset, sizeof count);
    return count;
}

std::u16string SnapStep(const std::vector<unsigned char>& snap, std::size_t i) {
    std::u16string s;
    const unsigned char* p = snap.data() + SnapRecordLayout::FirstStepOffset + SnapRecordLayout::StepBytes * i;
    for (std::size_t u = 0; u < SnapRecordLayout::StepBytes / 2; ++u) {
        char16_t c = 0;
        std::memcpy(&c, p + 2 * u, sizeof c);
        if (c == 0)
            return s;
        s.push_back(c);
    }
    return u"(no terminator)";
}

// A digit entry of the live record: message 0x70 asking for digit index of count.
ActivationState DigitAsked(std::uint8_t count, std::uint8_t index) {
    ActivationState s = Messages({EnterCode});
    s.digitCount = count;
    s.digitIndex = index;
    return s;
}

} // namespace

TEST_F(ActivationTest, TheListGivesEachActivationItsNameAndKind) {
    SetActivations({0, 5, 461, 7, 9, 8, 463, 464, 479, 1234});
    struct Expected {
        std::uint32_t id;
        std::int32_t kind;
        std::u16string name;
    };
    const Expected expected[] = {
        {0, 4, u"Self test"},   {5, 3, u"Pump"},   {461, 5, u"Injector 1"}, // 461's own kind text is not read
        {7, 2, u"Fan"},         {9, 0, u"Wipers"}, // absent from the kinds
        {8, 0, u"Horn"},                           // a kind text that is no number
        {463, 5, u""},          {464, 5, u""},     {479, 5, u"Injector 4"}, {1234, 0, u""},
    };
    std::array<ActivationRecord, DeviceTables::Activations> records;
    std::memset(records.data(), Pattern, sizeof records);
    int count = -5;
    ASSERT_EQ(ActivationExports::ActivationsList(records.data(), &count), ListOk);
    ASSERT_EQ(count, static_cast<int>(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(records[i].id, expected[i].id);
        EXPECT_EQ(records[i].kind, expected[i].kind);
        EXPECT_EQ(Text(records[i].name), expected[i].name.empty() ? u"" : Column(expected[i].name));
        EXPECT_EQ(records[i].reserved, 0xA5A5A5A5u); // the host's
    }
    // Records past the count stay the host's.
    const std::vector<unsigned char> untouched = Filled(sizeof(ActivationRecord));
    EXPECT_EQ(std::memcmp(&records[std::size(expected)], untouched.data(), untouched.size()), 0);
}

TEST_F(ActivationTest, TheListReachesAHostArrayAtAnyAddress) {
    SetActivations({7, 5});
    std::array<ActivationRecord, DeviceTables::Activations> aligned{};
    int count = 0;
    ASSERT_EQ(ActivationExports::ActivationsList(aligned.data(), &count), ListOk);

    std::vector<unsigned char> bytes(sizeof aligned + sizeof(int) + 2, 0);
    auto* records = reinterpret_cast<ActivationRecord*>(bytes.data() + 1);
    auto* countAt = reinterpret_cast<int*>(bytes.data() + 1 + sizeof aligned);
    ASSERT_EQ(ActivationExports::ActivationsList(records, countAt), ListOk);
    EXPECT_EQ(std::memcmp(bytes.data() + 1, aligned.data(), sizeof aligned), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 1 + sizeof aligned, &count, sizeof count), 0);
}

TEST_F(ActivationTest, EachExportHasItsGate) {
    SetActivations({5});
    struct Case {
        const char* name;
        std::uint8_t dllState;
        bool textsLoaded;
        bool thread;
        bool failedInit;
        std::int32_t list;      // ActivationsList
        std::int32_t others;    // StartStopActivation, ValueActivation, ChangeData, MessageView
        std::int32_t snap;      // StatusChangeSnap
    };
    const Case cases[] = {
        {"link initialised, texts loaded", LinkExports::StateLinkInitialised, true, true, false, ListOk, 1,
         SnapRunning},
        {"thread only", LinkExports::StateThreadOrEcu, true, true, false, ResultWrongState, 1, SnapRunning},
        {"texts not loaded", LinkExports::StateLinkInitialised, false, true, false, ResultWrongState, 1, SnapRunning},
        {"failed initialisation", LinkExports::StateLinkInitialised, true, true, true, TKrixThread::InitFailed, 1,
         SnapStopped},
        {"no thread", LinkExports::StateNoThread, true, false, false, ResultWrongState, 0, SnapStopped},
        {"no thread, state left at 30", LinkExports::StateLinkInitialised, true, false, false, ResultWrongState, 0,
         SnapStopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkExports::DeleteThreadKrix();
        if (c.thread) {
            ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
            SetActivations({5});
        }
        LinkExports::SetStateForTests(c.dllState, Program);
        CatalogueFixture::ResetCatalogue();
        if (c.textsLoaded)
            Catalogue::InitText(Italian, CodecOn, 0);
        if (c.failedInit)
            FailLink();

        std::array<ActivationRecord, DeviceTables::Activations> records;
        std::memset(records.data(), Pattern, sizeof records);
        int count = -5;
        EXPECT_EQ(ActivationExports::ActivationsList(records.data(), &count), c.list);
        if (c.list != ListOk) {
            EXPECT_EQ(count, -5);
            const std::vector<unsigned char> untouched = Filled(sizeof records);
            EXPECT_EQ(std::memcmp(records.data(), untouched.data(), untouched.size()), 0);
        }

        const std::int32_t started = ActivationExports::StartStopActivation(5, 1);
        EXPECT_EQ(started, c.others);
        EXPECT_EQ(ActivationExports::ValueActivation(3), c.others);
        EXPECT_EQ(ActivationExports::KrixActivationRequest(), 0);
        std::vector<unsigned char> view = Filled(sizeof(ActivationView));
        const std::int32_t shown = ActivationExports::MessageView(reinterpret_cast<ActivationView*>(view.data()));
        std::vector<unsigned char> snap = Filled(SnapRoom);
        EXPECT_EQ(ActivationExports::StatusChangeSnap(snap.data(), 41), c.snap);
        EXPECT_EQ(snap, Filled(SnapRoom));
        if (!c.thread) {
            EXPECT_EQ(shown, ViewLinkFailed);
            EXPECT_EQ(view, Filled(sizeof(ActivationView)));
            EXPECT_EQ(ActivationExports::ChangeData(), ChangeLinkFailed);
        } else if (c.failedInit) {
            EXPECT_EQ(shown, ViewLinkFailed);
            EXPECT_EQ(ActivationExports::ChangeData(), ChangeLinkFailed);
            EXPECT_TRUE(StopRequested());
        } else {
            EXPECT_EQ(shown, ViewUpToDate);
            EXPECT_EQ(ActivationExports::ChangeData(), ChangeRunning);
        }
        EXPECT_EQ(ActivationExports::StartStopActivation(5, 0), c.others);
    }
}

TEST_F(ActivationTest, ListOrCountMissingIsRefused) {
    SetActivations({5});
    std::array<ActivationRecord, DeviceTables::Activations> records{};
    int count = -5;
    EXPECT_EQ(ActivationExports::ActivationsList(nullptr, &count), ResultWrongState);
    EXPECT_EQ(count, -5);
    EXPECT_EQ(ActivationExports::ActivationsList(records.data(), nullptr), ResultWrongState);
    EXPECT_EQ(records[0].id, 0u);
}

TEST_F(ActivationTest, StartArmsTheActivationAndStopEndsIt) {
    ASSERT_EQ(ActivationExports::StartStopActivation(5, 1), 1);
    EXPECT_EQ(FromThread<int>([](TKrixThread& t) { return t.activationRunning(); }), 1);
    EXPECT_EQ(ActivationExports::ValueActivation(42), 1);
    EXPECT_EQ(HandedValue(), 42u);
    EXPECT_EQ(ActivationExports::ValueActivation(43), 0); // no value awaited any more: dropped
    EXPECT_EQ(HandedValue(), 42u);

    // A second start while one runs is refused and said so: the running one goes on, its record
    // as it is.
    SetLive(Messages({PressStart}));
    EXPECT_EQ(ActivationExports::StartStopActivation(7, 1), 0);
    EXPECT_EQ(Live().messageId[0], PressStart);

    SetLinkState(1);
    EXPECT_EQ(ActivationExports::StartStopActivation(7, 0), 1);
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(LinkState(), 0);
    // The stop ended it: no value is taken any more, and the next start arms a new one.
    EXPECT_EQ(FromThread<int>([](TKrixThread& t) { return t.activationRunning(); }), 0);
    EXPECT_EQ(ActivationExports::ValueActivation(44), 0);
    EXPECT_EQ(ActivationExports::StartStopActivation(7, 1), 1);
    EXPECT_FALSE(StopRequested());
    EXPECT_EQ(Live().messageId[0], 0u);
    EXPECT_EQ(ActivationExports::ValueActivation(45), 1);
    EXPECT_EQ(HandedValue(), 45u);
}

TEST_F(ActivationTest, TheDevicesRequestIsReportedOnce) {
    SetLinkState(1);
    EXPECT_EQ(ActivationExports::KrixActivationRequest(), 0);
    EXPECT_EQ(LinkState(), 1);

    SetLinkState(TKrixThread::LinkAsksActivation);
    EXPECT_EQ(ActivationExports::KrixActivationRequest(), ActivationAsked);
    EXPECT_EQ(LinkState(), 0);
    EXPECT_EQ(FromThread<std::int32_t>([](TKrixThread& t) { return t.stepState(); }), TKrixThread::StepTakeActivation);
    EXPECT_EQ(ActivationExports::KrixActivationRequest(), 0);
}

TEST_F(ActivationTest, TheEndIsReportedOnceToTheFirstPoll) {
    ASSERT_EQ(ActivationExports::StartStopActivation(5, 1), 1);
    EXPECT_EQ(ActivationExports::ChangeData(), ChangeRunning);
    EndActivation();
    EXPECT_EQ(ActivationExports::ChangeData(), ChangeEnded);
    EXPECT_EQ(ActivationExports::ChangeData(), ChangeRunning);

    // Whichever export polls first takes the end.
    EndActivation();
    std::vector<unsigned char> view = Filled(sizeof(ActivationView));
    EXPECT_EQ(ActivationExports::MessageView(reinterpret_cast<ActivationView*>(view.data())), ViewEnded);
    EXPECT_EQ(view, Filled(sizeof(ActivationView)));
    EXPECT_EQ(ActivationExports::ChangeData(), ChangeRunning);
}

TEST_F(ActivationTest, TheStepFollowerAnswersEachDigitOfTheEntry) {
    struct Case {
        std::int32_t step;
        std::uint8_t count;
        std::vector<std::uint32_t> digits;
    };
    const Case cases[] = {
        {6, 1, {7}},
        {41, 2, {4, 2}},
        {122, 3, {1, 2, 3}},               // the middle digit is a digit too
        {4999999, 7, {5, 0, 0, 0, 0, 0, 0}},
        {41, 12, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2}}, // leading zeros, beyond 32-bit powers of ten
        {-1, 2, {0, 0}},                   // step + 1 is 0
        {std::numeric_limits<std::int32_t>::max(), 10, {2, 1, 4, 7, 4, 8, 3, 6, 4, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        for (std::uint8_t k = 0; k < c.count; ++k) {
            SCOPED_TRACE(int{k});
            Restart(); // the thread takes one value an activation
            SetLive(DigitAsked(c.count, k));
            EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, c.step), SnapRunning);
            EXPECT_EQ(HandedValue(), c.digits[k]);
            EXPECT_EQ(ActivationExports::ValueActivation(99), 0); // the one value was taken
        }
    }
}

TEST_F(ActivationTest, TheStepFollowerSendsNothingWhileTheStepStays) {
    Restart();
    SetLive(DigitAsked(2, 0));
    EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, 41), SnapRunning);
    EXPECT_EQ(HandedValue(), 4u);

    // The same message and digit again: nothing is sent, even to a thread that waits for a value.
    OnThread([](TKrixThread& t) {
        t.startStopAcquisition(1);
        t.startActivation();
    });
    SetLive(DigitAsked(2, 0));
    EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, 41), SnapRunning);
    EXPECT_EQ(HandedValue(), 0u);

    // Any other message is followed without an answer.
    SetLive(Messages({PressStart}));
    EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, 41), SnapRunning);
    EXPECT_EQ(HandedValue(), 0u);
    EXPECT_FALSE(StopRequested());
}

TEST_F(ActivationTest, TheStepFollowerStopsAtMessage7AAndAtAFailedLink) {
    Restart();
    SetLinkState(1);
    SetLive(Messages({Stopped}));
    EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, 0), SnapStopped);
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(LinkState(), 0);

    Restart();
    SetLinkState(1);
    FailLink();
    EXPECT_EQ(ActivationExports::StatusChangeSnap(nullptr, 0), SnapStopped);
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(LinkState(), 0);
}

TEST_F(ActivationTest, TheEndGivesTheStepTextsTheRecordHolds) {
    struct Case {
        const char* name;
        float valueA;
        std::int32_t count;
    };
    const Case cases[] = {
        {"three steps", 3.9f, 3},
        {"none", 0.0f, 0},
        {"negative", -2.0f, 0},
        {"not a number", std::numeric_limits<float>::quiet_NaN(), 0},
        {"more than the record holds", 1e30f, static_cast<std::int32_t>(SnapSteps)},
    };
    const std::u16string texts[] = {u"Step one", u"Step two", u"Step three"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        ActivationState last = Messages({PressStart});
        last.valueA = c.valueA;
        SetLive(last);
        EndActivation();
        std::vector<unsigned char> snap = Filled(SnapRoom);
        EXPECT_EQ(ActivationExports::StatusChangeSnap(snap.data(), 0), SnapEnded);
        EXPECT_EQ(SnapCount(snap), c.count);
        for (std::size_t i = 0; i < static_cast<std::size_t>(c.count); ++i)
            EXPECT_EQ(SnapStep(snap, i), i < std::size(texts) ? Column(texts[i]) : u"");
        // Nothing before the count, nothing past the steps written.
        const std::size_t end = SnapRecordLayout::FirstStepOffset + SnapRecordLayout::StepBytes * c.count;
        for (std::size_t b = 0; b < SnapRecordLayout::CountOffset; ++b)
            ASSERT_EQ(snap[b], Pattern) << b;
        for (std::size_t b = end; b < snap.size(); ++b)
            ASSERT_EQ(snap[b], Pattern) << b;
        // Reported once: the next poll follows the record again.
        EXPECT_EQ(ActivationExports::StatusChangeSnap(snap.data(), 0), SnapRunning);
    }
}
