#include "MessageViewBuild.h"

#include "ActivationTexts.h"
#include "ActivationValues.h"
#include "CallerCopies.h"
#include "MessageTexts.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <string>

namespace Activation {
namespace {

constexpr std::size_t Messages = 4;
constexpr std::size_t KeysWithShownFlag = 4;
constexpr std::int32_t UnnamedKeyCode = 1;
constexpr std::size_t ValueTextLimit = ActivationView::ValueTextBytes - 1;
// A number in a line of view kind 1 fills the indent but the blank in front of it.
constexpr std::size_t LineNumberLimit = LineIndent - 1;

bool Differs(float value, double lastShown) { return static_cast<double>(value) != lastShown; }

void PutValueText(char (&field)[ActivationView::ValueTextBytes], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), ValueTextLimit));
}

void Show(char (&field)[ActivationView::ValueTextBytes], std::uint8_t& shown, float value, std::uint8_t decimals) {
    PutValueText(field, ValueText(value, decimals, ValueTextLimit));
    shown = 1;
}

void Hide(char (&field)[ActivationView::ValueTextBytes], std::uint8_t& shown) {
    PutValueText(field, ValueNotShown);
    shown = 0;
}

void ShowUnit(ActivationView& v) {
    copyToUnicode(UnitLine(v.unitOrFormat), v.unitText);
    v.unitShown = 1;
}

void BuildLines(const ActivationView& v, QString (&lines)[Messages], QString& keys) {
    for (std::size_t i = 0; i < Messages; ++i)
        Catalogue::BuildMessageText(static_cast<std::int32_t>(v.messageId[i]), v.source[i], v.slot[i], &lines[0],
                                    &lines[1], &lines[2], &lines[3], &keys);
}

void PutKeys(ActivationView& v, const QString& keys) {
    if (!keys.isEmpty()) {
        Catalogue::ParseKeyTexts(keys, &v);
        return;
    }
    for (std::size_t k = 0; k < ActivationView::Keys; ++k) {
        ActivationKey& key = v.keys[k];
        key.code = UnnamedKeyCode;
        std::memset(key.label, 0, sizeof key.label);
        if (k < KeysWithShownFlag)
            key.shown = 0;
    }
}

// View kind 1: the number goes into the line's indent from its second character on.
void PutNumber(QString& line, float value, std::uint32_t format) {
    const std::string number = format == 10 || format == 16
                                   ? IntegerText(value, static_cast<int>(format), LineNumberLimit)
                                   : FixedText(value, format, LineNumberLimit);
    line.replace(1, static_cast<qsizetype>(number.size()), QString::fromLatin1(number));
}

// The values of the view kind into the value texts, the unit or the lines, and what is shown
// remembered.
void PutValues(ActivationView& v, ViewMemory& m, QString (&lines)[Messages]) {
    switch (v.viewKind) {
    case ViewMessages:
        Hide(v.valueText1, v.value1Shown);
        Hide(v.valueText2, v.value2Shown);
        Hide(v.valueText3, v.value3Shown);
        v.unitShown = 0;
        break;
    case ViewInLines:
        v.valueLayout = ValuesInLines;
        v.value1Shown = v.value2Shown = v.value3Shown = 0;
        v.unitShown = 0;
        PutNumber(lines[1], v.valueC, v.unitOrFormat);
        PutNumber(lines[2], v.valueA, v.unitOrFormat);
        PutNumber(lines[3], v.valueB, v.unitOrFormat);
        m.lastValueC = v.valueC;
        m.lastValueA = v.valueA;
        m.lastValueB = v.valueB;
        break;
    case ViewValueA:
        Hide(v.valueText1, v.value1Shown);
        Show(v.valueText2, v.value2Shown, v.valueA, v.decimals);
        Hide(v.valueText3, v.value3Shown);
        ShowUnit(v);
        m.lastValueA = v.valueA;
        break;
    case ViewThreeValues:
        Show(v.valueText1, v.value1Shown, v.valueC, v.decimals);
        Show(v.valueText2, v.value2Shown, v.valueA, v.decimals);
        Show(v.valueText3, v.value3Shown, v.valueB, v.decimals);
        ShowUnit(v);
        m.lastValueC = v.valueC;
        m.lastValueA = v.valueA;
        m.lastValueB = v.valueB;
        break;
    case ViewValuesCA:
        Show(v.valueText1, v.value1Shown, v.valueC, v.decimals);
        Show(v.valueText2, v.value2Shown, v.valueA, v.decimals);
        Hide(v.valueText3, v.value3Shown);
        ShowUnit(v);
        m.lastValueC = v.valueC;
        m.lastValueA = v.valueA;
        break;
    case ViewValuesAB:
        Hide(v.valueText1, v.value1Shown);
        Show(v.valueText2, v.value2Shown, v.valueA, v.decimals);
        Show(v.valueText3, v.value3Shown, v.valueB, v.decimals);
        ShowUnit(v);
        m.lastValueA = v.valueA;
        m.lastValueB = v.valueB;
        break;
    default:
        break;
    }
}

} // namespace

void PutState(ActivationView& v, const ActivationState& s) {
    v.stateWord = s.stateWord;
    v.inputMode = s.inputMode;
    v.viewKind = s.viewKind;
    v.entryType = s.entryType;
    v.decimals = s.decimals;
    std::copy(std::begin(s.source), std::end(s.source), v.source);
    std::copy(std::begin(s.slot), std::end(s.slot), v.slot);
    std::copy(std::begin(s.messageId), std::end(s.messageId), v.messageId);
    v.unitOrFormat = s.unitOrFormat;
    v.digitCount = s.digitCount;
    v.digitIndex = s.digitIndex;
    v.value = s.value;
    v.valueA = s.valueA;
    v.valueB = s.valueB;
    v.valueC = s.valueC;
}

bool ViewChanged(const ActivationView& v, const ViewMemory& m) {
    if (!std::equal(std::begin(v.messageId), std::end(v.messageId), std::begin(m.lastIds)))
        return true;
    bool values = false;
    switch (v.viewKind) {
    case ViewInLines:
    case ViewThreeValues:
        values = Differs(v.valueC, m.lastValueC) || Differs(v.valueA, m.lastValueA) || Differs(v.valueB, m.lastValueB);
        break;
    case ViewValueA: values = Differs(v.valueA, m.lastValueA); break;
    case ViewValuesCA: values = Differs(v.valueC, m.lastValueC) || Differs(v.valueA, m.lastValueA); break;
    case ViewValuesAB: values = Differs(v.valueA, m.lastValueA) || Differs(v.valueB, m.lastValueB); break;
    default: break;
    }
    if (values)
        return true;
    return (v.inputMode == EntryPrepared || v.inputMode == EntrySending) && v.digitIndex != m.lastDigitIndex;
}

void RebuildView(ActivationView& v, ViewMemory& m) {
    std::copy(std::begin(v.messageId), std::end(v.messageId), m.lastIds);
    if (v.inputMode != EntryPrepared)
        v.entryFlag = 0;

    QString lines[Messages];
    QString keys;
    BuildLines(v, lines, keys);
    PutKeys(v, keys);
    if (v.viewKind == ViewInLines) {
        for (std::size_t i = 1; i < Messages; ++i)
            lines[i].prepend(QString(static_cast<qsizetype>(LineIndent), u' '));
    }
    PutValues(v, m, lines);

    QString text;
    for (const QString& line : lines)
        text += line + u'\n';
    copyToUnicode(text, v.text); // at most 349 characters and the terminator

    v.stateFlag0 = v.stateWord == 0 ? 1 : 0;
    v.stateFlag2 = v.stateWord == 2 ? 1 : 0;
}

std::optional<DigitSend> DigitEntry(ActivationView& v, ViewMemory& m) {
    switch (v.inputMode) {
    case EntryPrepared:
        m.lastDigitIndex = v.digitIndex;
        if (v.entryType == FlaggedEntry) {
            v.entryFlag = 1;
            return std::nullopt;
        }
        v.entryFlag = 0;
        v.keys[0].shown = 1;
        v.keys[1].shown = 1;
        v.keys[3].code = EntryKeyCode;
        v.keys[3].shown = 1;
        {
            const bool hex = v.entryType == HexadecimalEntry;
            std::fill(std::begin(v.digitMode), std::end(v.digitMode), hex ? 2 : 1);
            v.digitBase = hex ? 16 : 10;
        }
        if (v.digitCount >= 1 && v.digitCount <= ActivationView::Digits) {
            for (std::size_t i = 0; i < ActivationView::Digits; ++i)
                v.digitEnabled[i] = i < v.digitCount ? 1 : 0;
        }
        return std::nullopt;
    case EntrySending: {
        v.entryFlag = 0;
        m.lastDigitIndex = v.digitIndex;
        const std::size_t k = v.digitIndex;
        if (k >= v.digitCount)
            return DigitSend{AllDigitsSent, false};
        if (k > 0 && k - 1 < ActivationView::Digits)
            v.digits[k - 1] = SentDigit;
        if (k >= ActivationView::Digits)
            return std::nullopt; // the view holds no such digit
        // The signed digit widened, as the device takes it.
        return DigitSend{static_cast<std::uint32_t>(static_cast<std::int32_t>(v.digits[k])), true};
    }
    case NoEntry:
        std::fill(std::begin(v.digitEnabled), std::end(v.digitEnabled), 0);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace Activation
