#pragma once
// The records of the driver thread that the exports copy out. Its tables of faults, values,
// statuses, identification items, activations and ECUs hold the caller records themselves
// (CallerRecords.h).
#include "CallerRecords.h"

#include <cstddef>
#include <cstdint>

// The device's current message and activation state. A new record is all zeros.
struct ActivationState {
    std::uint32_t stateWord = 0;
    std::uint8_t messageType = 0;
    std::uint8_t inputMode = 0;
    std::uint8_t viewKind = 0;
    std::uint8_t entryType = 0;
    std::uint8_t decimals = 0;
    std::uint8_t source[4] = {};
    std::uint8_t slot[4] = {};
    std::uint32_t messageId[4] = {};
    std::uint32_t unitOrFormat = 0;
    std::uint8_t digitCount = 0;
    std::uint8_t digitIndex = 0;
    std::uint32_t value = 0;
    float valueA = 0.0f;
    float valueB = 0.0f;
    float valueC = 0.0f;
};

// One ECU found by a scan.
struct ScanEntry {
    std::uint32_t kind = 0;
    std::uint32_t id = 0; // 24 bits
    char name[12] = {};
};

// An ECU the device reports: its first four bytes are the ECU's code bytes.
struct ScannedEcu {
    std::uint8_t codeBytes[4] = {};
};
