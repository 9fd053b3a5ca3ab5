#include "ActivationStatus.h"

#include "IdLists.h"
#include "TKrixThread.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace ActivationStatus {
namespace {

constexpr std::uint8_t DefaultSlots[Messages] = {0, 1, 2, 3};

// The older record form says by its messageType how the messages are shown.
struct OlderForm {
    std::uint8_t messageType;
    std::uint8_t becomes;
    std::uint8_t inputMode;
    std::uint8_t viewKind;
};
constexpr OlderForm OlderForms[] = {
    {0, 0x21, 1, 0}, {1, 0x21, 0, 2}, {2, 0x20, 0, 0}, {3, 0x21, 0, 3}, {4, 0x21, 0, 2},
    {5, 0x21, 2, 0}, {6, 0x21, 0, 0}, {7, 0x21, 0, 1}, {8, 0x22, 1, 0}, {9, 0x22, 0, 0},
};

void UseDefaultSlots(ActivationState& s) { std::copy(std::begin(DefaultSlots), std::end(DefaultSlots), s.slot); }

// The newer form's slots stand only when the first is a line up to 5 and the others lines 1 to 5.
bool NewerSlotsValid(const ActivationState& s) {
    if (s.slot[0] > MaxNewerSlot)
        return false;
    return std::all_of(s.slot + 1, s.slot + Messages, [](std::uint8_t v) { return v >= 1 && v <= MaxNewerSlot; });
}

void NormaliseNewerForm(ActivationState& s) {
    if (!NewerSlotsValid(s))
        UseDefaultSlots(s);
    switch (s.inputMode) {
    case InputMode18: s.inputMode = InputModeEnter; s.entryType = EntryType10; break;
    case InputMode34: s.inputMode = InputModeEnter; s.entryType = EntryType55; break;
    case InputMode50: s.inputMode = InputModeChoose; s.entryType = EntryType10; break;
    default: break;
    }
    if (s.viewKind != 0) {
        const std::uint8_t high = s.viewKind >> 4;
        s.viewKind &= 0x0F;
        if (s.viewKind > 1 && high < DecimalsFromViewBelow)
            s.decimals = high;
    }
}

void NormaliseOlderForm(ActivationState& s) {
    UseDefaultSlots(s);
    s.viewKind = 0;
    s.inputMode = 0;
    for (const OlderForm& form : OlderForms) {
        if (form.messageType == s.messageType) {
            s.messageType = form.becomes;
            s.inputMode = form.inputMode;
            s.viewKind = form.viewKind;
            return;
        }
    }
}

} // namespace

bool HoldsNoRecord(const std::uint8_t* answer) {
    return answer[StateWordOffset] == NoRecord && answer[StateWordOffset + 1] == NoRecord &&
           answer[InputModeOffset] == NoRecord && answer[MessageTypeOffset] == NoRecord;
}

void ApplyRecord(const std::uint8_t* a, ActivationState& s) {
    s.stateWord = static_cast<std::uint32_t>(a[StateWordOffset] << 8 | a[StateWordOffset + 1]);
    s.viewKind = a[ViewKindOffset];
    s.inputMode = a[InputModeOffset];
    s.messageType = a[MessageTypeOffset];
    for (int i = 0; i < Messages; ++i) {
        const std::uint8_t* m = a + FirstMessageOffset + MessageStride * static_cast<std::size_t>(i);
        const std::uint8_t high = m[0] >> 4;
        // The first message names its line; the others name it one higher (0 wraps to 0xFF).
        s.slot[i] = static_cast<std::uint8_t>(i == 0 ? high : high - 1);
        s.source[i] = m[0] & 0x0F;
        s.messageId[i] = std::uint32_t{m[1]} << 16 | std::uint32_t{m[2]} << 8 | m[3];
    }

    s.entryType = DefaultEntryType;
    s.decimals = DefaultDecimals;
    if (s.messageType <= LastOlderForm)
        NormaliseOlderForm(s);
    else
        NormaliseNewerForm(s);

    if (s.inputMode == InputModeEnter) {
        const std::uint8_t limit = s.entryType == EntryType55 ? DigitLimitEntryType55 : DigitLimit;
        const std::uint8_t digits = a[DigitCountOffset];
        s.digitCount = (digits == 0 || digits >= limit) ? 1 : digits;
    } else if (s.inputMode != InputModeChoose) {
        s.digitCount = 1;
    }
}

void TakeRecord(const ActivationState& from, ActivationState& live) {
    live.stateWord = from.stateWord;
    live.messageType = from.messageType;
    live.inputMode = from.inputMode;
    live.viewKind = from.viewKind;
    live.entryType = from.entryType;
    live.decimals = from.decimals;
    std::copy(std::begin(from.source), std::end(from.source), live.source);
    std::copy(std::begin(from.slot), std::end(from.slot), live.slot);
    std::copy(std::begin(from.messageId), std::end(from.messageId), live.messageId);
    live.digitCount = from.digitCount;
}

std::int32_t StepAfter(const ActivationState& s) {
    if (s.stateWord == StateWordThree)
        return StepStateWord3;
    if (s.viewKind != 0)
        return StepShowsValues;
    if (s.inputMode != 0)
        return StepWaitsForValue;
    return StepPlainMessage;
}

} // namespace ActivationStatus

RxResult TKrixThread::activationStatusStep(std::int32_t* state, std::uint32_t param) {
    using namespace ActivationStatus;
    if (*state != StepRead)
        return RECEIVE_ERR; // no other step is run by this library: nothing is read
    if (const RxResult r = device_.transaction(RequestRow::ActivationStatus, param); r != RECEIVE_OK)
        return r;
    const std::vector<std::uint8_t> answer = device_.lastReceived();
    // The answer's length is not part of what the row's answer check compares: a shorter frame
    // would leave the record to be taken from an earlier frame's bytes.
    if (answer.size() < AnswerSize) {
        qDebug("main: leggikrix: activationStatusStep: record of %d bytes refused", static_cast<int>(answer.size()));
        return RECEIVE_ERR;
    }
    if (HoldsNoRecord(answer.data()))
        return RECEIVE_OK;
    // The record is made on a copy and enters the live one only once the step has succeeded: a
    // record that asks for the identifier lists again stays out of it when they cannot be read.
    ActivationState record = withTables([](DeviceTables& t) { return t.liveActivation; });
    ApplyRecord(answer.data(), record);
    std::int32_t next = StepAfter(record);
    if (record.stateWord == StateWordListsChanged) {
        if (readIdLists(*this) != RECEIVE_OK)
            return RECEIVE_ERR;
        next = StepListsReadAgain;
    }
    withTables([&](DeviceTables& t) { TakeRecord(record, t.liveActivation); });
    *state = next;
    return RECEIVE_OK;
}
