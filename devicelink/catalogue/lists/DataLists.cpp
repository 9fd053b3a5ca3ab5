// ErrorList, ParameterList, StatusList, InfoList and EcuList: the thread's table read through its
// accessor into a copy of our own, then each record of the host read, given the numbers the
// thread holds and its texts, and written back whole.
#include "CallerCopies.h"
#include "DriverGate.h"
#include "HostRecords.h"
#include "ListTexts.h"
#include "TesterLists.h"

#include <algorithm>
#include <vector>

namespace TesterLists {
namespace {

using Catalogue::CatalogueTables;
using DriverGate::Needs;
using LinkExports::DriverContext;

QString Text(TTextTable* table, std::uint32_t code) {
    return table != nullptr ? table->GetText(static_cast<std::int32_t>(code)) : QString();
}
QString AuxText(TTextTable* table, std::uint32_t code) {
    return table != nullptr ? table->GetAuxText(static_cast<std::int32_t>(code)) : QString();
}

// The fields each accessor fills, taken into the host's record.
void TakeNumbers(const ErrorRecord& from, ErrorRecord& to) {
    to.kind = from.kind;
    to.state = from.state;
    to.code = from.code;
    to.longCode = from.longCode;
    to.extra = from.extra;
}
void TakeNumbers(const ParameterRecord& from, ParameterRecord& to) {
    to.value = from.value;
    to.deviceByte = from.deviceByte;
    to.enabled = from.enabled;
    to.id = from.id;
    to.unitId = from.unitId;
}
void TakeNumbers(const StatusRecord& from, StatusRecord& to) {
    to.valueIndex = from.valueIndex;
    to.enabled = from.enabled;
    to.id = from.id;
}
void TakeNumbers(const InfoRecord& from, InfoRecord& to) {
    to.id = from.id;
    std::copy(std::begin(from.value), std::end(from.value), std::begin(to.value));
}
void TakeNumbers(const EcuListRecord& from, EcuListRecord& to) {
    std::copy(std::begin(from.codeBytes), std::end(from.codeBytes), std::begin(to.codeBytes));
}

// Behind the gate: get(thread, driver, out, &n) fills a copy of the thread's table (or answers
// its failure, which is passed on with nothing written); then every record the thread holds is
// read from the host, given its numbers, dressed by dress(tables, record, program) under the
// catalogue's lock and written back, and the count follows.
template <typename Record, typename Get, typename Dress>
std::int32_t DressedList(Record* records, std::int32_t* count, std::size_t capacity, Get get, Dress dress) {
    if (records == nullptr || count == nullptr)
        return ResultWrongState;
    return DriverGate::Run(Needs::LinkAndTexts, ResultWrongState,
                           [&](TKrixThread& thread, const DriverContext& driver) -> std::int32_t {
        std::vector<Record> fromThread(capacity);
        int n = 0;
        if (const std::int32_t r = get(thread, driver, fromThread.data(), &n); r != ResultOk)
            return r;
        const std::size_t listed = std::min(static_cast<std::size_t>(std::max(n, 0)), capacity);
        Catalogue::WithState([&](Catalogue::State& s) {
            for (std::size_t i = 0; i < listed; ++i) {
                Record r = HostRecords::Read(records, i);
                TakeNumbers(fromThread[i], r);
                dress(s.tables, r, driver.programNumber);
                HostRecords::Write(records, i, r);
            }
        });
        HostRecords::WriteCount(count, static_cast<std::int32_t>(listed));
        return ResultOk;
    });
}

// The accessor of a table, as DressedList calls it.
template <typename Record> auto Accessor(int (TKrixThread::*get)(Record*, int*)) {
    return [get](TKrixThread& thread, const DriverContext&, Record* out, int* n) { return (thread.*get)(out, n); };
}

void DressFault(const CatalogueTables& t, ErrorRecord& r, std::int32_t program) {
    QString description;
    QString codeText;
    TErrorTextTable* maker = t.MakerFaultTexts();
    if (r.longCode == 0) {
        codeText = ListTexts::ShortCodeText(r.kind, r.code);
        // The maker's texts are padded in their columns; the generic ones are shown as they are.
        description = ListTexts::ShortCodeTable(r.code, program) == ListTexts::FaultTable::Generic
                          ? Text(t.faultTexts.get(), static_cast<std::uint32_t>(r.code))
                          : Text(maker, static_cast<std::uint32_t>(r.code)).trimmed();
    } else {
        codeText = ListTexts::LongCodeText(r.code);
        description = Text(maker, static_cast<std::uint32_t>(r.code)).trimmed();
    }
    copyToUnicode(description, r.description);
    copyToUnicode(ListTexts::StateText(r.state), r.stateText);
    copyToUnicode(ListTexts::WithExtra(r.extra, codeText), r.codeText);
}

void ClearFaultTexts(ErrorRecord& r) {
    copyToUnicode(QString(), r.description);
    copyToUnicode(QString(), r.stateText);
    copyToUnicode(QString(), r.codeText);
}

} // namespace

std::int32_t ErrorList(ErrorRecord* records, std::int32_t* count) {
    int dressed = 0;
    return DressedList(records, count, DeviceTables::Errors, Accessor(&TKrixThread::getErrorList),
                       [&](const CatalogueTables& t, ErrorRecord& r, std::int32_t program) {
        if (dressed >= DressedFaults) {
            ClearFaultTexts(r);
            return;
        }
        DressFault(t, r, program);
        ++dressed;
    });
}

std::int32_t ParameterList(ParameterRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return DressedList(records, count, DeviceTables::Parameters, Accessor(&TKrixThread::getParameterList),
                       [&](const CatalogueTables& t, ParameterRecord& r, std::int32_t) {
        // A value not read yet, or one the device could not give, shows as 0 while the
        // parameter is read; the other markers reach the host as they are.
        if (r.enabled != 0 && (r.value <= ValueNotRead || r.value == MarkerFE))
            r.value = 0.0f;
        if (withTexts == 0)
            return;
        copyToUnicode(Text(t.parameterTexts.get(), r.id), r.name);
        copyToUnicode(AuxText(t.parameterTexts.get(), r.id), r.description);
        copyToUnicode(Text(t.unitTexts.get(), r.unitId), r.unit);
    });
}

std::int32_t StatusList(StatusRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return DressedList(records, count, DeviceTables::Statuses, Accessor(&TKrixThread::getStatusList),
                       [&](const CatalogueTables& t, StatusRecord& r, std::int32_t) {
        if (withTexts != 0) {
            copyToUnicode(AuxText(t.statusTexts.get(), r.id), r.description);
            copyToUnicode(Text(t.statusTexts.get(), r.id), r.name);
        }
        // An entry without an id (the device's list gave none) shows no value.
        QString value;
        if (static_cast<std::int32_t>(r.id) > 0)
            value = r.enabled != 0 ? Text(t.statusValueTexts.get(), r.valueIndex) : QStringLiteral("--------");
        copyToUnicode(value, r.valueText);
    });
}

std::int32_t InfoList(InfoRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    bool notOk = false;
    const std::int32_t r = DressedList(records, count, DeviceTables::Infos, Accessor(&TKrixThread::getInfoList),
                                       [&](const CatalogueTables& t, InfoRecord& item, std::int32_t program) {
        if (withTexts != 0) {
            copyToUnicode(AuxText(t.infoTexts.get(), item.id), item.description);
            copyToUnicode(Text(t.infoTexts.get(), item.id), item.name);
        }
        // The host's enabled byte: the thread's copy of it is not handed out.
        const std::optional<std::uint32_t> watched = ListTexts::WatchedInfoItem(program);
        if (item.enabled != 0 && watched && item.id == *watched && ListTexts::SaysNotOk(item.value))
            notOk = true;
    });
    return r == ResultOk && notOk ? ResultNotOk : r;
}

std::int32_t EcuList(EcuListRecord* records, std::int32_t* count) {
    const auto get = [](TKrixThread& thread, const DriverContext& driver, EcuListRecord* out, int* n) {
        return driver.programNumber == GenericProgram ? thread.getEcuList(out, n) : ResultLinkFailed;
    };
    return DressedList(records, count, DeviceTables::ScannedEcus, get,
                       [](const CatalogueTables& t, EcuListRecord& r, std::int32_t) {
        copyToUnicode(ListTexts::EcuName(t.ecuTexts.get(), r.codeBytes), r.name);
        copyToUnicode(ListTexts::EcuSecondText(t.ecuTexts.get(), r.codeBytes), r.secondText);
    });
}

} // namespace TesterLists
