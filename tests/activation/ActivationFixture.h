#pragma once
// A driver thread that never opens its port, with the library's state, the thread's activation
// table, its live activation record and its link state set through the link's test interface
// (LinkExports::WithDriver, SetStateForTests), and a small catalogue of the activations' texts
// in a working folder of the test's own.
#include "ActivationExports.h"
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "DeviceTables.h"
#include "HostFieldText.h"
#include "LinkExports.h"
#include "TKrixThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace ActivationFixture {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr std::int32_t Com = 41; // never opened: no initialisation is asked for
constexpr std::int32_t Program = 601;

// Message ids of messag.txt and their texts.
constexpr std::uint32_t PressStart = 0x10;
constexpr std::uint32_t EngineRunning = 0x11;
constexpr std::uint32_t ReadValue = 0x12;
constexpr std::uint32_t EnterCode = 0x70;
constexpr std::uint32_t Stopped = 0x7A;
constexpr std::uint32_t LongMessage = 0x20;

// Lines of umis.txt.
constexpr std::uint32_t Rpm = 1;
constexpr std::uint32_t LongUnit = 3;

inline QByteArray Repeated(char c, int n) { return QByteArray(n, c); }

inline CatalogueFixture::LanguageTexts Texts() {
    using namespace CatalogueFixture;
    LanguageTexts t = SampleTexts("ita");
    t.attiva = ItemLine(0, "Self test", "") + ItemLine(5, "Pump", "") + ItemLine(7, "Fan", "") +
               ItemLine(8, "Horn", "") + ItemLine(9, "Wipers", "") + ItemLine(353, "Step one", "") +
               ItemLine(354, "Step two", "") + ItemLine(355, "Step three", "") + ItemLine(461, "Injector 1", "") +
               ItemLine(479, "Injector 4", "");
    t.messag = DelimitedLine(0, "Wait") + DelimitedLine(PressStart, "Press start") +
               DelimitedLine(EngineRunning, "Engine running") + DelimitedLine(ReadValue, "Value read") +
               DelimitedLine(LongMessage, Repeated('m', 200)) + DelimitedLine(EnterCode, "Enter the code") +
               DelimitedLine(Stopped, "Stopped");
    t.umis = Lines({"", "rpm", "degC", Repeated('u', 40)});
    return t;
}

// tasti.txt: the keys of the messages; tipoatt.txt: the kinds of the activations.
inline const QByteArray KeyTexts =
    CatalogueFixture::DelimitedLine(static_cast<std::int32_t>(PressStart), "#F1=1#ESC=5#X=9#");
inline const QByteArray KindTexts = CatalogueFixture::DelimitedLine(7, "2") + CatalogueFixture::DelimitedLine(8, "x") +
                                    CatalogueFixture::DelimitedLine(461, "9");

class ActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace CatalogueFixture;
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", Texts());
        WriteSharedTexts(KeyTexts, KindTexts);
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, Program);
        ASSERT_EQ(Catalogue::InitText(Italian, CodecOn, 0), 1);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        LinkExports::SetStateForTests(LinkExports::StateNoThread, 0);
        CatalogueFixture::ResetCatalogue();
    }

    // f(TKrixThread&) on the driver thread, under the library's lock.
    static void OnThread(const std::function<void(TKrixThread&)>& f) {
        LinkExports::WithDriver([&](const LinkExports::DriverContext& c) {
            ASSERT_NE(c.thread, nullptr);
            f(*c.thread);
        });
    }
    template <typename T> static T FromThread(const std::function<T(TKrixThread&)>& f) {
        T value{};
        OnThread([&](TKrixThread& t) { value = f(t); });
        return value;
    }
    static void Tables(const std::function<void(DeviceTables&)>& f) {
        OnThread([&](TKrixThread& t) { t.withTables([&](DeviceTables& d) { f(d); }); });
    }
    static void SetActivations(std::initializer_list<std::uint32_t> ids) {
        Tables([&](DeviceTables& d) {
            std::size_t i = 0;
            for (std::uint32_t id : ids)
                d.activations[i++].id = id;
            d.setCount(DeviceTables::ActivationCount, ids.size());
        });
    }
    // The device's description of the screen, as the activation status read leaves it.
    static void SetLive(const ActivationState& s) { Tables([&](DeviceTables& d) { d.liveActivation = s; }); }
    static ActivationState Live() {
        ActivationState s;
        Tables([&](DeviceTables& d) { s = d.liveActivation; });
        return s;
    }
    // The thread's record of the value handed last; 0 when nothing was handed since the start.
    static std::uint32_t HandedValue() { return Live().value; }
    // The device ended the activation.
    static void EndActivation() {
        OnThread([](TKrixThread& t) { t.setActivationState(TKrixThread::ActivationEnded); });
    }
    static void FailLink() { OnThread([](TKrixThread& t) { t.setInitError(TKrixThread::InitFailed); }); }
    static void SetLinkState(std::uint8_t s) { OnThread([&](TKrixThread& t) { t.setEcuLinkState(s); }); }
    static std::uint8_t LinkState() {
        return FromThread<std::uint8_t>([](TKrixThread& t) { return t.ecuLinkState(); });
    }
    static bool StopRequested() {
        return FromThread<bool>([](TKrixThread& t) { return t.activationStopRequested() != 0; });
    }
    // A new activation that waits for a value: what the thread's acquisition start and the
    // host's start leave.
    static void Restart(std::uint32_t id = 5) {
        OnThread([](TKrixThread& t) { t.startStopAcquisition(1); });
        ASSERT_EQ(ActivationExports::StartStopActivation(id, 1), 1);
    }

    WorkingFolder folder;
};

// A message record as the device's status read leaves it: message i in line i, from the message
// catalogue; the messages not given are 0 (no message, an empty line).
inline ActivationState Messages(std::initializer_list<std::uint32_t> ids) {
    ActivationState s;
    std::size_t i = 0;
    for (std::uint32_t id : ids)
        s.messageId[i++] = id;
    for (std::size_t k = 0; k < 4; ++k)
        s.slot[k] = static_cast<std::uint8_t>(k);
    s.entryType = 16;
    s.decimals = 3;
    s.digitCount = 1;
    return s;
}

// A name of the activation catalogue as it stands in its 25-character column, blanks kept.
inline std::u16string Column(const std::u16string& name) { return name + std::u16string(25 - name.size(), u' '); }

} // namespace ActivationFixture
