#pragma once
// The lists and the scan in-process: a driver thread that never opens its port, its tables and
// state filled through the link's one way in (LinkExports::WithDriver, SetStateForTests) as a
// device initialisation would leave them, and a small catalogue of one language in a working
// folder of the test's own. Host records start with every byte Untouched, so whatever a call
// leaves alone shows.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LinkExports.h"
#include "TKrixThread.h"
#include "TesterLists.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace ListsFixture {

using namespace CatalogueFixture;

constexpr std::int32_t Com = 41; // never opened: no initialisation is asked for
constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr int Opel = 12; // the maker code whose own fault file the catalogue holds
constexpr std::int32_t AnyProgram = 601;
constexpr std::uint8_t Untouched = 0xA5;

constexpr std::uint32_t SpeedId = 3;
constexpr std::uint32_t TempId = 4;
constexpr std::uint32_t SwitchId = 2;
constexpr std::uint32_t RpmLine = 1;
constexpr std::uint32_t LongUnitLine = 2;
inline const QByteArray LongUnit = "a unit text far longer than its field";
// Four messages of 100 characters: more than a scan message text holds together.
constexpr std::int32_t LongMessage = 40;
constexpr qsizetype LongMessageLength = 100;

// The catalogue of the tests: generic fault texts as they stand in their column, the maker's
// with blanks around them, items with names and descriptions, units and status values by line.
inline LanguageTexts Texts() {
    LanguageTexts t = SampleTexts("ita");
    t.errsae = ErrorLine(0x0123, "SAE 0123") + ErrorLine(0x1234, "SAE 1234") + ErrorLine(0x33FF, "SAE 33FF") +
               ErrorLine(0x3400, "SAE 3400") + ErrorLine(0xABCD, "SAE ABCD");
    t.makerFaults["opel"] = ErrorLine(0x0123, " Opel 0123") + ErrorLine(0x1234, " Opel 1234") +
                            ErrorLine(0x33FF, " Opel 33FF") + ErrorLine(0x3400, " Opel 3400") +
                            ErrorLine(0xABCD, " Opel ABCD");
    t.param = ItemLine(SpeedId, "Speed", "Engine speed") + ItemLine(TempId, "Temp", "Coolant temperature");
    t.umis = Lines({"", "rpm", LongUnit});
    t.stati = ItemLine(SwitchId, "Switch", "Brake switch");
    t.posst = Lines({"Off", "On"});
    t.info = ItemLine(36, "Immobiliser", "Immobiliser state") + ItemLine(40, "Check", "Self check") +
             ItemLine(46, "State", "ECU state");
    t.ecu = EcuLine(0x105, "Bosch ME7X") + EcuLine(0x210, " @MOTOR@ ECU ");
    t.messag = DelimitedLine(0, "Wait") + DelimitedLine(31, "Scanning the vehicle") +
               DelimitedLine(32, "ECU found@not shown");
    for (std::int32_t id = LongMessage; id < LongMessage + 4; ++id)
        t.messag += DelimitedLine(id, QByteArray(LongMessageLength, static_cast<char>('a' + id - LongMessage)));
    return t;
}

// A text of the catalogue as its fixed column holds it.
inline QString Padded(const QByteArray& text, qsizetype width) { return QString::fromLatin1(Column(text, width)); }

// A 16-bit text field of a record: its text up to the terminator, or a marker when the field
// holds none.
template <std::size_t N> QString FieldText(const char16_t (&field)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (field[i] == 0)
            return QString::fromUtf16(field, static_cast<qsizetype>(i));
    return QStringLiteral("<not terminated>");
}

// Whether a field still holds the host's bytes.
template <typename Field> bool IsUntouched(const Field& field) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&field);
    for (std::size_t i = 0; i < sizeof field; ++i)
        if (bytes[i] != Untouched)
            return false;
    return true;
}

// The host's array of records.
template <typename Record> class HostArray {
public:
    explicit HostArray(std::size_t n) : records_(n) {
        std::memset(static_cast<void*>(records_.data()), Untouched, n * sizeof(Record));
        std::memset(&count_, Untouched, sizeof count_);
    }
    Record* get() { return records_.data(); }
    std::int32_t* count() { return &count_; }
    std::int32_t countValue() const { return count_; }
    Record& operator[](std::size_t i) { return records_[i]; }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> b(records_.size() * sizeof(Record) + sizeof count_);
        std::memcpy(b.data(), records_.data(), records_.size() * sizeof(Record));
        std::memcpy(b.data() + records_.size() * sizeof(Record), &count_, sizeof count_);
        return b;
    }

private:
    std::vector<Record> records_;
    std::int32_t count_ = 0;
};

// f(TKrixThread&) on the driver thread object, under the library's lock.
template <typename F> void OnThread(F f) {
    LinkExports::WithDriver([&](const LinkExports::DriverContext& d) {
        ASSERT_NE(d.thread, nullptr);
        f(*d.thread);
    });
}
// f(DeviceTables&) under the tables' lock.
template <typename F> void Tables(F f) {
    OnThread([&](TKrixThread& t) { t.withTables(f); });
}

// A fresh working folder with the catalogue and codec.ini, a driver thread, the texts loaded
// (for the maker Opel) and DllState 30 for program 601.
class ListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", Texts());
        WriteSharedTexts(QByteArray(), QByteArray());
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        LoadTexts();
        LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, AnyProgram);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        ResetCatalogue();
    }

    static void LoadTexts() { Catalogue::InitText(Italian, CodecOn, Opel); }

    WorkingFolder folder;
};

} // namespace ListsFixture
