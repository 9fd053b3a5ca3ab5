#pragma once
// The records that cross the library's boundary into a tester host's memory. Their layout is
// part of the exported interface: little-endian numbers, 16-bit character texts, no byte of
// padding; every size and offset is checked below. Each field lies at an offset its type's
// alignment divides, so the records keep their natural alignment (the driver thread's tables,
// which hold the same records, and the code that reads them need no unaligned access).
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the caller records are little-endian");

// A fault code with its texts.
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

// A live value with its texts.
struct ParameterRecord {
    float value;
    std::uint8_t deviceByte;
    std::uint8_t enabled;
    std::uint8_t reserved[2];
    std::uint32_t id;
    std::uint32_t unitId;     // line of the unit catalogue
    char16_t description[71];
    char16_t name[26];
    char16_t unit[27];
};

struct StatusRecord {
    std::uint32_t valueIndex; // line of the status value catalogue
    std::uint8_t enabled;
    std::uint8_t reserved[3];
    std::uint32_t id;
    char16_t description[71];
    char16_t name[26];
    char16_t valueText[27];
};

// An identification item.
struct InfoRecord {
    std::uint32_t id;
    char value[20];
    char16_t description[71];
    char16_t name[26];
    std::uint8_t enabled;
    std::uint8_t reserved;
};

// An ECU that the device reports.
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

// A list of texts for the host, with the host's choices that the next list reads.
struct ListRecord {
    static constexpr std::size_t Entries = 100;
    static constexpr std::size_t EntryUnits = 71; // 70 characters and the terminator

    char16_t entries[Entries][EntryUnits];
    std::uint32_t count;
    std::int32_t makerIndex;
    std::int32_t fuelIndex;
    std::int32_t modelIndex;
    std::int32_t versionIndex;
};

// The host's record of the selected ECU: fixed-width fields of the ECU's database record, each
// cut to its field and terminated, its name and its note.
struct EcuRecord {
    std::uint8_t found;
    char ecuText1[15];
    char ecuText2[17];
    char partNumber[16];
    char text181[17];
    char ecuText3[8];
    char text197[17];
    char text61[16];
    char systemNumber[6];
    char letter[3];
    std::uint8_t address[4];
    char compareText1[17];
    char text131[17];
    char text163[19];
    char engineCode[17];
    char16_t name[17];
    char16_t note[500];
};

// One key under an activation's message: its caption, whether it is shown, and its code.
struct ActivationKey {
    char label[5]; // up to 4 characters and a terminator
    std::uint8_t shown;
    std::uint8_t reserved[2];
    std::int32_t code;
};

// What the host draws while an activation runs. The first 60 bytes are the device's activation
// state as the driver thread holds it.
struct ActivationView {
    static constexpr std::size_t Keys = 5;
    static constexpr std::size_t Digits = 7;
    static constexpr std::size_t TextUnits = 350;
    static constexpr std::size_t ValueTextBytes = 26;

    std::uint32_t stateWord;
    std::uint8_t messageType;
    std::uint8_t inputMode;
    std::uint8_t viewKind;
    std::uint8_t entryType;
    std::uint8_t decimals;
    std::uint8_t source[4];
    std::uint8_t slot[4];
    std::uint8_t reserved17[3];
    std::uint32_t messageId[4];
    std::uint32_t unitOrFormat;
    std::uint8_t digitCount;
    std::uint8_t digitIndex;
    std::uint8_t reserved42[2];
    std::uint32_t value;
    float valueA;
    float valueB;
    float valueC;
    char16_t text[TextUnits];
    std::uint8_t valueLayout;
    std::uint8_t stateFlag0;
    std::uint8_t stateFlag2;
    char valueText1[ValueTextBytes];
    std::uint8_t value1Shown;
    char valueText2[ValueTextBytes];
    std::uint8_t value2Shown;
    char valueText3[ValueTextBytes];
    std::uint8_t value3Shown;
    char16_t unitText[26];
    std::uint8_t unitShown;
    std::uint8_t digitMode[Digits];
    std::uint8_t digitBase;
    std::uint8_t digitEnabled[Digits];
    ActivationKey keys[Keys]; // key k (1 to 5) is keys[k - 1]
    std::uint8_t entryFlag;
    std::int8_t digits[Digits];
};

// The step texts of an activation's end, written into a record the host owns and sizes; only
// these two places of it are written.
struct SnapRecordLayout {
    static constexpr std::size_t CountOffset = 1076;     // int32
    static constexpr std::size_t FirstStepOffset = 1080; // step i at FirstStepOffset + StepBytes * i
    static constexpr std::size_t StepBytes = 152;        // 76 16-bit units with the terminator
};

static_assert(sizeof(ErrorRecord) == 212 && offsetof(ErrorRecord, state) == 1 && offsetof(ErrorRecord, code) == 4 &&
              offsetof(ErrorRecord, longCode) == 8 && offsetof(ErrorRecord, extra) == 9 &&
              offsetof(ErrorRecord, description) == 10 && offsetof(ErrorRecord, stateText) == 152 &&
              offsetof(ErrorRecord, codeText) == 182);
static_assert(sizeof(ParameterRecord) == 264 && offsetof(ParameterRecord, deviceByte) == 4 &&
              offsetof(ParameterRecord, enabled) == 5 && offsetof(ParameterRecord, id) == 8 &&
              offsetof(ParameterRecord, unitId) == 12 && offsetof(ParameterRecord, description) == 16 &&
              offsetof(ParameterRecord, name) == 158 && offsetof(ParameterRecord, unit) == 210);
static_assert(sizeof(StatusRecord) == 260 && offsetof(StatusRecord, enabled) == 4 && offsetof(StatusRecord, id) == 8 &&
              offsetof(StatusRecord, description) == 12 && offsetof(StatusRecord, name) == 154 &&
              offsetof(StatusRecord, valueText) == 206);
static_assert(sizeof(InfoRecord) == 220 && offsetof(InfoRecord, value) == 4 &&
              offsetof(InfoRecord, description) == 24 && offsetof(InfoRecord, name) == 166 &&
              offsetof(InfoRecord, enabled) == 218);
static_assert(sizeof(EcuListRecord) == 108 && offsetof(EcuListRecord, name) == 4 &&
              offsetof(EcuListRecord, secondText) == 56);
static_assert(sizeof(ActivationRecord) == 64 && offsetof(ActivationRecord, id) == 4 &&
              offsetof(ActivationRecord, kind) == 8 && offsetof(ActivationRecord, name) == 12);
static_assert(sizeof(ListRecord) == 14220 && offsetof(ListRecord, entries[1]) == 142 &&
              offsetof(ListRecord, count) == 14200 && offsetof(ListRecord, makerIndex) == 14204 &&
              offsetof(ListRecord, fuelIndex) == 14208 && offsetof(ListRecord, modelIndex) == 14212 &&
              offsetof(ListRecord, versionIndex) == 14216);
static_assert(sizeof(EcuRecord) == 1224 && offsetof(EcuRecord, ecuText1) == 1 && offsetof(EcuRecord, ecuText2) == 16 &&
              offsetof(EcuRecord, partNumber) == 33 && offsetof(EcuRecord, text181) == 49 &&
              offsetof(EcuRecord, ecuText3) == 66 && offsetof(EcuRecord, text197) == 74 &&
              offsetof(EcuRecord, text61) == 91 && offsetof(EcuRecord, systemNumber) == 107 &&
              offsetof(EcuRecord, letter) == 113 && offsetof(EcuRecord, address) == 116 &&
              offsetof(EcuRecord, compareText1) == 120 && offsetof(EcuRecord, text131) == 137 &&
              offsetof(EcuRecord, text163) == 154 && offsetof(EcuRecord, engineCode) == 173 &&
              offsetof(EcuRecord, name) == 190 && offsetof(EcuRecord, note) == 224);
static_assert(sizeof(ActivationKey) == 12 && offsetof(ActivationKey, shown) == 5 && offsetof(ActivationKey, code) == 8);
static_assert(sizeof(ActivationView) == 980 && offsetof(ActivationView, messageType) == 4 &&
              offsetof(ActivationView, inputMode) == 5 && offsetof(ActivationView, viewKind) == 6 &&
              offsetof(ActivationView, entryType) == 7 && offsetof(ActivationView, decimals) == 8 &&
              offsetof(ActivationView, source) == 9 && offsetof(ActivationView, slot) == 13 &&
              offsetof(ActivationView, messageId) == 20 && offsetof(ActivationView, unitOrFormat) == 36 &&
              offsetof(ActivationView, digitCount) == 40 && offsetof(ActivationView, digitIndex) == 41 &&
              offsetof(ActivationView, value) == 44 && offsetof(ActivationView, valueA) == 48 &&
              offsetof(ActivationView, valueB) == 52 && offsetof(ActivationView, valueC) == 56 &&
              offsetof(ActivationView, text) == 60 && offsetof(ActivationView, valueLayout) == 760 &&
              offsetof(ActivationView, stateFlag0) == 761 && offsetof(ActivationView, stateFlag2) == 762 &&
              offsetof(ActivationView, valueText1) == 763 && offsetof(ActivationView, value1Shown) == 789 &&
              offsetof(ActivationView, valueText2) == 790 && offsetof(ActivationView, value2Shown) == 816 &&
              offsetof(ActivationView, valueText3) == 817 && offsetof(ActivationView, value3Shown) == 843 &&
              offsetof(ActivationView, unitText) == 844 && offsetof(ActivationView, unitShown) == 896 &&
              offsetof(ActivationView, digitMode) == 897 && offsetof(ActivationView, digitBase) == 904 &&
              offsetof(ActivationView, digitEnabled) == 905 && offsetof(ActivationView, keys) == 912 &&
              offsetof(ActivationView, entryFlag) == 972 && offsetof(ActivationView, digits) == 973);
