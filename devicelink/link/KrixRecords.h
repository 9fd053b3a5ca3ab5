#pragma once
// Records that cross the library's boundary into a tester host's memory, laid out to the byte
// (little-endian numbers, 16-bit character texts), and the records of the driver thread that
// the exports copy out. The driver thread's tables hold the same records.
#include <cstddef>
#include <cstdint>

struct ErrorRecord {
    std::uint8_t kind;        // 0 P, 4 C, 8 B, 12 U
    std::uint8_t state;
    std::uint8_t reserved[2];
    std::int32_t code;
    std::uint8_t longCode;    // 0 a two-byte code, else a three-byte maker code
    std::uint8_t extra;
    char16_t description[71];
    char16_t stateText[15];
    char16_t codeText[15];
};

struct ParameterRecord {
    float value;
    std::uint8_t deviceByte;
    std::uint8_t enabled;
    std::uint8_t reserved[2];
    std::uint32_t id;
    std::uint32_t unitId;
    char16_t description[71];
    char16_t name[26];
    char16_t unit[27];
};

struct StatusRecord {
    std::uint32_t valueIndex;
    std::uint8_t enabled;
    std::uint8_t reserved[3];
    std::uint32_t id;
    char16_t description[71];
    char16_t name[26];
    char16_t valueText[27];
};

struct InfoRecord {
    std::uint32_t id;
    char value[20];
    char16_t description[71];
    char16_t name[26];
    std::uint8_t enabled;
    std::uint8_t reserved;
};

struct EcuListRecord {
    std::uint8_t codeBytes[4];
    char16_t name[26];
    char16_t secondText[26];
};

struct ActivationRecord {
    std::uint32_t reserved;
    std::uint32_t id;
    std::int32_t kind;
    char16_t name[26];
};

static_assert(sizeof(ErrorRecord) == 212 && offsetof(ErrorRecord, code) == 4 &&
              offsetof(ErrorRecord, description) == 10 && offsetof(ErrorRecord, stateText) == 152 &&
              offsetof(ErrorRecord, codeText) == 182);
static_assert(sizeof(ParameterRecord) == 264 && offsetof(ParameterRecord, id) == 8 &&
              offsetof(ParameterRecord, description) == 16 && offsetof(ParameterRecord, name) == 158 &&
              offsetof(ParameterRecord, unit) == 210);
static_assert(sizeof(StatusRecord) == 260 && offsetof(StatusRecord, id) == 8 &&
              offsetof(StatusRecord, description) == 12 && offsetof(StatusRecord, name) == 154 &&
              offsetof(StatusRecord, valueText) == 206);
static_assert(sizeof(InfoRecord) == 220 && offsetof(InfoRecord, value) == 4 &&
              offsetof(InfoRecord, description) == 24 && offsetof(InfoRecord, name) == 166 &&
              offsetof(InfoRecord, enabled) == 218);
static_assert(sizeof(EcuListRecord) == 108 && offsetof(EcuListRecord, name) == 4 &&
              offsetof(EcuListRecord, secondText) == 56);
static_assert(sizeof(ActivationRecord) == 64 && offsetof(ActivationRecord, id) == 4 &&
              offsetof(ActivationRecord, kind) == 8 && offsetof(ActivationRecord, name) == 12);

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
