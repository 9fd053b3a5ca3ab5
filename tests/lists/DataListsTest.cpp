// The lists on tables filled as an initialisation leaves them: which catalogue describes a
// fault, its code and state texts, the first 17 dressed; the parameter value markers and the
// texts a list without texts leaves to the host; status value texts; the identification item a
// program watches; the ECU texts of program 100.
#include "ListsFixture.h"

#include <string>

using namespace ListsFixture;
using namespace TesterLists;

namespace {

class DataLists : public ListsTest {};

struct FaultCase {
    std::int32_t program;
    ErrorRecord fault; // kind, state, code, longCode, extra
    QString description;
    const char* stateText;
    const char* codeText;
};

ErrorRecord Fault(std::uint8_t kind, std::uint8_t state, std::int32_t code, std::uint8_t longCode = 0,
                  std::uint8_t extra = 0) {
    return ErrorRecord{kind, state, {}, code, longCode, extra, {}, {}, {}};
}

const QString Absent; // a code the catalogue lacks

void FillFaults(const std::vector<ErrorRecord>& faults) {
    OnThread([&](TKrixThread& t) {
        t.withTables([&](DeviceTables& tables) {
            for (std::size_t i = 0; i < faults.size(); ++i)
                tables.errors[i] = faults[i];
            tables.setCount(DeviceTables::ErrorCount, faults.size());
        });
    });
}

} // namespace

TEST_F(DataLists, FaultsTakeTheirTextsFromTheCatalogueTheirCodeBelongsTo) {
    const FaultCase cases[] = {
        // Generic texts as their column holds them; the maker's trimmed.
        {AnyProgram, Fault(0, 1, 0x0123), Padded("SAE 0123", 70), "MEM", "P0123"},
        {AnyProgram, Fault(0, 0, 0x1234), QStringLiteral("Opel 1234"), "ATT", "P1234"},
        {AnyProgram, Fault(0, 3, 0x33FF), QStringLiteral("Opel 33FF"), "FREEZE", "P33FF"},
        {AnyProgram, Fault(0, 4, 0x3400), Padded("SAE 3400", 70), "NVE", "P3400"},
        {AnyProgram, Fault(4, 2, 0x4123, 0, 0x1A), Absent, "ATT", "1A C0123"},
        {AnyProgram, Fault(8, 5, 0x8001), Absent, "", "B0001"},
        {AnyProgram, Fault(12, 255, 0xC001), Absent, "", "U0001"},
        {AnyProgram, Fault(0, 7, 0xABCD, 1, 0x05), QStringLiteral("Opel ABCD"), "", "05 00ABCD"},
        {AnyProgram, Fault(0, 0, -1, 1), Absent, "ATT", "FFFFFFFF"},
        // Program 100: every short code is generic.
        {GenericProgram, Fault(0, 1, 0x1234), Padded("SAE 1234", 70), "MEM", "P1234"},
        {GenericProgram, Fault(0, 1, 0x33FF), Padded("SAE 33FF", 70), "MEM", "P33FF"},
        {GenericProgram, Fault(0, 1, 0xABCD, 1), QStringLiteral("Opel ABCD"), "MEM", "00ABCD"},
    };
    for (const std::int32_t program : {AnyProgram, GenericProgram}) {
        std::vector<const FaultCase*> ofProgram;
        std::vector<ErrorRecord> faults;
        for (const FaultCase& c : cases)
            if (c.program == program) {
                ofProgram.push_back(&c);
                faults.push_back(c.fault);
            }
        FillFaults(faults);
        LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, program);
        HostArray<ErrorRecord> host(DeviceTables::Errors);
        ASSERT_EQ(ErrorList(host.get(), host.count()), ResultOk);
        ASSERT_EQ(host.countValue(), static_cast<std::int32_t>(faults.size()));
        for (std::size_t i = 0; i < ofProgram.size(); ++i) {
            const FaultCase& c = *ofProgram[i];
            SCOPED_TRACE(std::string("program ") + std::to_string(program) + " code " + c.codeText);
            const ErrorRecord& r = host[i];
            EXPECT_EQ(r.kind, c.fault.kind);
            EXPECT_EQ(r.state, c.fault.state);
            EXPECT_EQ(r.code, c.fault.code);
            EXPECT_EQ(r.longCode, c.fault.longCode);
            EXPECT_EQ(r.extra, c.fault.extra);
            EXPECT_TRUE(IsUntouched(r.reserved));
            EXPECT_EQ(FieldText(r.description), c.description);
            EXPECT_EQ(FieldText(r.stateText), QString::fromLatin1(c.stateText));
            EXPECT_EQ(FieldText(r.codeText), QString::fromLatin1(c.codeText));
        }
        EXPECT_TRUE(IsUntouched(host[ofProgram.size()])) << "a record beyond the thread's count was written";
    }
}

TEST_F(DataLists, OnlyTheFirstSeventeenFaultsAreDressed) {
    std::vector<ErrorRecord> faults(20, Fault(0, 1, 0x0123));
    FillFaults(faults);
    HostArray<ErrorRecord> host(DeviceTables::Errors);
    ASSERT_EQ(ErrorList(host.get(), host.count()), ResultOk);
    ASSERT_EQ(host.countValue(), 20);
    for (std::size_t i = 0; i < faults.size(); ++i) {
        SCOPED_TRACE(i);
        const bool dressed = i < static_cast<std::size_t>(DressedFaults);
        EXPECT_EQ(host[i].code, 0x0123);
        EXPECT_EQ(FieldText(host[i].description), dressed ? Padded("SAE 0123", 70) : QString());
        EXPECT_EQ(FieldText(host[i].stateText), dressed ? QStringLiteral("MEM") : QString());
        EXPECT_EQ(FieldText(host[i].codeText), dressed ? QStringLiteral("P0123") : QString());
    }
}

struct ValueCase {
    std::uint8_t enabled;
    float thread;
    float host;
};

TEST_F(DataLists, ParameterValuesNotReadShowAsZeroOnlyWhileTheParameterIsRead) {
    const ValueCase cases[] = {
        {1, ValueNotRead, 0.0f}, {1, -2000000.0f, 0.0f}, {1, MarkerFE, 0.0f},   {1, MarkerFD, MarkerFD},
        {1, MarkerFF, MarkerFF}, {1, 12.5f, 12.5f},      {0, ValueNotRead, ValueNotRead},
        {0, MarkerFE, MarkerFE}, {0, 12.5f, 12.5f},
    };
    Tables([&](DeviceTables& t) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            t.parameters[i].value = cases[i].thread;
            t.parameters[i].enabled = cases[i].enabled;
            t.parameters[i].id = SpeedId;
        }
        t.setCount(DeviceTables::ParameterCount, std::size(cases));
    });
    HostArray<ParameterRecord> host(DeviceTables::Parameters);
    ASSERT_EQ(ParameterList(host.get(), host.count(), 0), ResultOk);
    ASSERT_EQ(host.countValue(), static_cast<std::int32_t>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(host[i].value, cases[i].host);
        EXPECT_EQ(host[i].enabled, cases[i].enabled);
    }
    // The thread keeps what it read.
    Tables([&](DeviceTables& t) { EXPECT_EQ(t.parameters[0].value, ValueNotRead); });
}

TEST_F(DataLists, ParameterTextsAreWrittenOnlyWhenAskedFor) {
    Tables([](DeviceTables& t) {
        t.parameters[0] = ParameterRecord{7.0f, 0x42, 1, {}, SpeedId, RpmLine, {}, {}, {}};
        t.parameters[1] = ParameterRecord{8.0f, 0x43, 1, {}, TempId, LongUnitLine, {}, {}, {}};
        t.parameters[2] = ParameterRecord{9.0f, 0x44, 0, {}, 99, 77, {}, {}, {}};
        t.setCount(DeviceTables::ParameterCount, 3);
    });
    HostArray<ParameterRecord> host(DeviceTables::Parameters);
    ASSERT_EQ(ParameterList(host.get(), host.count(), 0), ResultOk);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(host[i].deviceByte, 0x42 + i);
        EXPECT_TRUE(IsUntouched(host[i].name));
        EXPECT_TRUE(IsUntouched(host[i].description));
        EXPECT_TRUE(IsUntouched(host[i].unit));
        EXPECT_TRUE(IsUntouched(host[i].reserved));
    }

    ASSERT_EQ(ParameterList(host.get(), host.count(), 1), ResultOk);
    EXPECT_EQ(FieldText(host[0].name), Padded("Speed", 25));
    EXPECT_EQ(FieldText(host[0].description), Padded("Engine speed", 70));
    EXPECT_EQ(FieldText(host[0].unit), QStringLiteral("rpm"));
    EXPECT_EQ(FieldText(host[1].name), Padded("Temp", 25));
    // The unit field holds 26 characters and the terminator.
    EXPECT_EQ(FieldText(host[1].unit), QString::fromLatin1(LongUnit.left(26)));
    EXPECT_EQ(FieldText(host[2].name), QString());
    EXPECT_EQ(FieldText(host[2].unit), QString());
}

struct StatusCase {
    std::uint32_t id;
    std::uint8_t enabled;
    std::uint32_t valueIndex;
    const char* valueText;
};

TEST_F(DataLists, StatusValuesComeByLineWhileTheStatusIsRead) {
    const StatusCase cases[] = {
        {SwitchId, 1, 1, "On"},
        {SwitchId, 1, 0, "Off"},
        {SwitchId, 1, 0xFFFFFFFF, ""}, // not read yet
        {SwitchId, 0, 1, "--------"},
        {0, 1, 1, ""},                  // no id: no value
        {0xFFFFFFFB, 1, 1, ""},         // negative as a signed id
    };
    Tables([&](DeviceTables& t) {
        for (std::size_t i = 0; i < std::size(cases); ++i)
            t.statuses[i] = StatusRecord{cases[i].valueIndex, cases[i].enabled, {}, cases[i].id, {}, {}, {}};
        t.setCount(DeviceTables::StatusCount, std::size(cases));
    });
    for (const std::uint8_t withTexts : {0, 1}) {
        HostArray<StatusRecord> host(DeviceTables::Statuses);
        ASSERT_EQ(StatusList(host.get(), host.count(), withTexts), ResultOk);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(std::to_string(i) + " with texts " + std::to_string(withTexts));
            EXPECT_EQ(FieldText(host[i].valueText), QString::fromLatin1(cases[i].valueText));
            if (withTexts == 0) {
                EXPECT_TRUE(IsUntouched(host[i].name));
                EXPECT_TRUE(IsUntouched(host[i].description));
            } else {
                EXPECT_EQ(FieldText(host[i].name), cases[i].id == SwitchId ? Padded("Switch", 25) : QString());
                EXPECT_EQ(FieldText(host[i].description),
                          cases[i].id == SwitchId ? Padded("Brake switch", 70) : QString());
            }
        }
    }
}

struct InfoCase {
    std::int32_t program;
    std::uint32_t id;
    std::uint8_t enabled; // the host's byte
    const char* value;    // up to the 20 bytes of the field
    std::int32_t result;
};

TEST_F(DataLists, OnlyTheItemTheProgramWatchesCanReportNotOk) {
    const InfoCase cases[] = {
        {150, 40, 1, "self test: not ok", ResultNotOk},
        {150, 46, 1, "not ok", ResultOk},
        {151, 46, 1, "SENSOR NOT OK", ResultNotOk},
        {151, 46, 0, "not ok", ResultOk},
        {151, 46, 1, "ok", ResultOk},
        {146, 36, 1, "0123456789abcdNOT OK", ResultNotOk}, // all 20 bytes, no terminator
        {171, 96, 1, "Not Ok", ResultNotOk},
        {199, 126, 1, "not ok", ResultNotOk},
        {AnyProgram, 36, 1, "not ok", ResultOk},
        {GenericProgram, 46, 1, "not ok", ResultOk},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.program) + " item " + std::to_string(c.id) + " " + c.value);
        Tables([&](DeviceTables& t) {
            t.infos[0] = InfoRecord{};
            t.infos[0].id = 40; // described, never watched with a wrong value
            t.infos[1] = InfoRecord{};
            t.infos[1].id = c.id;
            std::memcpy(t.infos[1].value, c.value, std::min(std::strlen(c.value), sizeof t.infos[1].value));
            t.setCount(DeviceTables::InfoCount, 2);
        });
        LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, c.program);
        HostArray<InfoRecord> host(DeviceTables::Infos);
        host[0].enabled = 1;
        host[1].enabled = c.enabled;
        EXPECT_EQ(InfoList(host.get(), host.count(), 1), c.result);
        // Texts and count are written whatever the answer.
        EXPECT_EQ(host.countValue(), 2);
        EXPECT_EQ(FieldText(host[0].name), Padded("Check", 25));
        EXPECT_EQ(FieldText(host[0].description), Padded("Self check", 70));
        EXPECT_EQ(host[1].id, c.id);
        EXPECT_EQ(host[1].enabled, c.enabled);
        EXPECT_TRUE(IsUntouched(host[1].reserved));
    }
}

TEST_F(DataLists, TheEcuListNamesTheReportedEcusOnlyForProgram100) {
    Tables([](DeviceTables& t) {
        t.scannedEcus[0] = ScannedEcu{{0x10, 0x77, 0x02, 0x05}};
        t.scannedEcus[1] = ScannedEcu{{0x01, 0x00, 0x00, 0x00}}; // in no text
        t.setCount(DeviceTables::ScannedEcuCount, 2);
    });
    HostArray<EcuListRecord> refused(DeviceTables::ScannedEcus);
    const auto before = refused.bytes();
    EXPECT_EQ(EcuList(refused.get(), refused.count()), ResultLinkFailed);
    EXPECT_EQ(refused.bytes(), before);

    LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, GenericProgram);
    HostArray<EcuListRecord> host(DeviceTables::ScannedEcus);
    ASSERT_EQ(EcuList(host.get(), host.count()), ResultOk);
    ASSERT_EQ(host.countValue(), 2);
    EXPECT_EQ(host[0].codeBytes[1], 0x77);
    // " @MOTOR@ ECU " trimmed and without its at signs; "Bosch ME7X" trimmed and one shorter.
    EXPECT_EQ(FieldText(host[0].name), QStringLiteral("MOTOR ECU"));
    EXPECT_EQ(FieldText(host[0].secondText), QStringLiteral("Bosch ME7"));
    EXPECT_EQ(FieldText(host[1].name), QString());
    EXPECT_EQ(FieldText(host[1].secondText), QString());
}

TEST_F(DataLists, AFailedInitialisationAnswersMinusOneAndWritesNothing) {
    Tables([](DeviceTables& t) { t.setCount(DeviceTables::ErrorCount, 3); });
    OnThread([](TKrixThread& t) { t.setInitError(TKrixThread::InitFailed); });
    HostArray<ErrorRecord> host(DeviceTables::Errors);
    const auto before = host.bytes();
    EXPECT_EQ(ErrorList(host.get(), host.count()), ResultLinkFailed);
    EXPECT_EQ(host.bytes(), before);
}

TEST_F(DataLists, MissingRecordsOrCountAreRefused) {
    HostArray<ErrorRecord> host(DeviceTables::Errors);
    const auto before = host.bytes();
    EXPECT_EQ(ErrorList(nullptr, host.count()), ResultWrongState);
    EXPECT_EQ(ErrorList(host.get(), nullptr), ResultWrongState);
    EXPECT_EQ(ParameterListEnable(nullptr, 1), ResultWrongState);
    EXPECT_EQ(host.bytes(), before);
}

TEST_F(DataLists, AnItemsValueEndsWithItsTwentyBytes) {
    // "NOT O" closes the value's 20 bytes; the host's description after them begins with "K".
    const char value[] = "0123456789abcdeNOT O";
    static_assert(sizeof value - 1 == sizeof(InfoRecord::value));
    Tables([&](DeviceTables& t) {
        t.infos[0] = InfoRecord{};
        t.infos[0].id = 46;
        std::memcpy(t.infos[0].value, value, sizeof t.infos[0].value);
        t.setCount(DeviceTables::InfoCount, 1);
    });
    LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, 151);
    HostArray<InfoRecord> host(DeviceTables::Infos);
    host[0].enabled = 1;
    host[0].description[0] = u'K';
    host[0].description[1] = 0;
    EXPECT_EQ(InfoList(host.get(), host.count(), 0), ResultOk);
    EXPECT_EQ(std::memcmp(host[0].value, value, sizeof host[0].value), 0);
    EXPECT_EQ(host[0].description[0], u'K');
}
