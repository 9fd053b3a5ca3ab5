#pragma once
// The device tables of the driver thread: what the identifier lists fill and the exports copy.
// Every count is a byte of the device's lists, and a list can be longer than its table: each
// count is clamped to its table when it is stored and again when a table is read, so no list
// runs past the memory that holds it.
#include "KrixRecords.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct DeviceTables {
    static constexpr std::size_t Parameters = 160;
    static constexpr std::size_t Statuses = 160;
    static constexpr std::size_t StatusTexts = 256;
    static constexpr std::size_t Errors = 100;
    static constexpr std::size_t Activations = 100;
    static constexpr std::size_t Infos = 100;
    static constexpr std::size_t ScannedEcus = 30;

    // Which count: in the order the thread declares them.
    enum Count { ParameterCount, StatusCount, ActivationCount, InfoCount, StatusTextCount, ScannedEcuCount,
                 ErrorCount, CountKinds };

    DeviceTables();

    // The table size behind a count.
    static std::size_t capacity(Count which);
    // Stores a count, clamped to the table and to a byte.
    void setCount(Count which, std::size_t n);
    // The count, never more than the table holds.
    std::size_t count(Count which) const;

    std::uint8_t counts[CountKinds] = {};
    ParameterRecord parameters[Parameters] = {};
    StatusRecord statuses[Statuses] = {};
    std::uint32_t statusTextIds[StatusTexts] = {};
    ErrorRecord errors[Errors] = {};
    ActivationRecord activations[Activations] = {};
    InfoRecord infos[Infos] = {};
    ScannedEcu scannedEcus[ScannedEcus] = {};
    std::uint8_t parameterChanged[Parameters] = {};
    std::uint8_t statusChanged[Statuses] = {};
    std::vector<ScanEntry> scanList;
    ActivationState liveActivation;
    ActivationState scanState;
};
