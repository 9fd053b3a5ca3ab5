// The scan path: the thread's scan switched on and off, the ECUs it found shown with their
// scan.txt texts, one of them chosen by its idRiga_Scan.dat record, and the scan's messages.
#include "CallerCopies.h"
#include "CatalogueState.h"
#include "DriverGate.h"
#include "EcuRecordFill.h"
#include "ListRecordAccess.h"
#include "MessageTexts.h"
#include "ScanState.h"
#include "SelectionState.h"
#include "TesterLists.h"
#include "TVehicleDatabase.h"
#include "VehicleKind.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace TesterLists {
namespace {

using DriverGate::Needs;
using LinkExports::DriverContext;

constexpr std::size_t MessageLines = 4;

// The device's block for an ECU of the scan: its kind, its scan line and its name, as five
// little-endian words.
std::array<std::uint32_t, TKrixThread::EcuDirectWords> DirectBlock(const ScanEntry& e) {
    static_assert(sizeof e.name == 3 * sizeof(std::uint32_t));
    std::array<std::uint32_t, TKrixThread::EcuDirectWords> words{e.kind, e.id, 0, 0, 0};
    std::memcpy(&words[2], e.name, sizeof e.name);
    return words;
}

// The folder of the library's database; the car database becomes it when there is none.
QString DatabaseFolder() {
    return VehicleExports::WithSelection([](VehicleExports::SelectionState& s) {
        if (!s.database)
            s.database = std::make_unique<TVehicleDatabase>(VehicleFolder(static_cast<std::uint32_t>(VehicleKind::Car)));
        return s.database->FolderPath();
    });
}

} // namespace

bool StartStopScanEcu(std::uint8_t on) {
    return DriverGate::Run(Needs::Thread, false, [on](TKrixThread& t, const DriverContext&) {
        if (on != 0) {
            t.setScanMode(1);
            // Identification items stay enabled after they were read once.
            t.setRepeatInfo(1);
            t.startStopAcquisition(1);
        } else {
            t.startStopAcquisition(0);
            // A stop the thread does not take in time is served at its next turn.
            t.requestStop();
        }
        return true;
    });
}

std::int32_t ScanEcuList(ListRecord* list) {
    if (list == nullptr)
        return 0;
    return ScanState::WithShown([&](std::vector<ScanEntry>& shown) -> std::int32_t {
        std::vector<ScanEntry> found;
        const bool asked = DriverGate::Run(Needs::Thread, false, [&](TKrixThread& t, const DriverContext&) {
            shown.clear();
            // After a failed initialisation nothing is found.
            t.getScanList(&found);
            return true;
        });
        if (!asked || found.empty())
            return 0;
        // Only what the record can show can be chosen.
        found.resize(std::min(found.size(), ListRecord::Entries));
        // Without a language folder there is no scan.txt to read.
        const QString folder = Catalogue::TextFolder();
        TTextTable texts;
        if (!folder.isEmpty())
            texts.Load(folder + QStringLiteral("scan.txt"));
        for (std::size_t i = 0; i < found.size(); ++i) {
            const auto line = static_cast<std::int32_t>(found[i].id);
            qDebug("main: tscanecu: timerUpdateDati_timeout(): iLineDb=%d", line);
            ListRecordAccess::WriteEntry(list, i, texts.GetText(line));
        }
        shown = std::move(found);
        return static_cast<std::int32_t>(shown.size());
    });
}

bool SetScanEcuSelect(EcuRecord* ecu, std::uint8_t scanIndex) {
    if (ecu == nullptr)
        return false;
    const std::optional<ScanEntry> entry = ScanState::WithShown([&](const std::vector<ScanEntry>& shown) {
        return scanIndex < shown.size() ? std::optional<ScanEntry>(shown[scanIndex]) : std::nullopt;
    });
    if (!entry)
        return false;
    // The block waits for the next initialisation even when the record is not found.
    const bool handed = DriverGate::Run(Needs::Thread, false, [&](TKrixThread& t, const DriverContext&) {
        const auto w = DirectBlock(*entry);
        t.setEcuDirectBlock(w[0], w[1], w[2], w[3], w[4]);
        return true;
    });
    if (!handed)
        return false;
    EcuSelectionRecord record;
    if (!TVehicleDatabase::ReadScanRecord(static_cast<std::int32_t>(entry->id), DatabaseFolder(), record))
        return false;
    LinkExports::SetEcuSelection(record);
    EcuRecordFill::CopyRemainingFields(ecu, record);
    EcuRecordFill::WriteAddress(ecu, EcuRecordFill::AddressBytes(record));
    EcuRecordFill::WriteNote(ecu, EcuRecordFill::NoteText(record, Catalogue::TextFolder()));
    return true;
}

bool GetEcuScanMessages(std::uint16_t* textOut) {
    if (textOut == nullptr)
        return false;
    ActivationState state;
    const bool read = DriverGate::Run(Needs::Thread, false, [&](TKrixThread& t, const DriverContext&) {
        // After a failed initialisation the record stays all zero: four empty lines.
        t.getScanState(&state);
        return true;
    });
    if (!read)
        return false;
    std::array<QString, MessageLines> lines;
    QString keys; // the scan shows no keys
    for (std::size_t i = 0; i < MessageLines; ++i)
        Catalogue::BuildMessageText(static_cast<std::int32_t>(state.messageId[i]), state.source[i], state.slot[i],
                                    &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    QString text;
    for (const QString& line : lines)
        text += line + u'\n';
    copyToUnicode(text, textOut, ScanMessageUnits);
    return true;
}

} // namespace TesterLists
