#include "HexKeyMachine.h"

#include <algorithm>

namespace {

constexpr char Blank = ' ';
constexpr const char* Digits = "0123456789abcdef";

int ValueOf(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    return digit - 'a' + 10;
}

int Size(const std::string& text) { return static_cast<int>(text.size()); }

// The first digit of the byte the position p is in: bytes are pairs counted from the blank (or
// the start of the text) in front of them.
int ByteStart(const std::string& text, int p) {
    int word = p;
    while (word > 0 && text[static_cast<std::size_t>(word - 1)] != Blank) --word;
    return word + (p - word) / 2 * 2;
}

} // namespace

char HexDigitOf(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) return c;
    if (c >= 'A' && c <= 'F') return static_cast<char>(c - 'A' + 'a');
    return 0;
}

std::string FormHexPairs(const std::string& text) {
    std::string formed;
    formed.reserve(text.size() + text.size() / 2);
    int digits = 0;
    for (char c : text) {
        if (c == Blank) continue;
        if (digits > 0 && digits % 2 == 0) formed.push_back(Blank);
        formed.push_back(c);
        ++digits;
    }
    return formed;
}

HexKeyMachine::HexKeyMachine(HexEditorState state) { SetState(std::move(state)); }

void HexKeyMachine::SetState(HexEditorState state) {
    state_ = std::move(state);
    state_.Caret = std::clamp(state_.Caret, 0, Size(state_.Text));
    state_.SelLength = std::clamp(state_.SelLength, 0, Size(state_.Text) - state_.Caret);
    state_.MaxLength = std::max(state_.MaxLength, 0);
}

HexKeyOutcome HexKeyMachine::KeyDown(HexKeyPress key, bool overwrite) {
    HexEditorState& s = state_;
    const bool beforeEnd = s.Caret < Size(s.Text);
    switch (key.Key) {
    case HexKey::Modifier:
        return {};
    case HexKey::Other:
        return {.Beep = true};
    case HexKey::Digit:
        if (HexDigitOf(key.Digit) == 0) return {.Beep = true};
        if (overwrite && beforeEnd) return Overwrite(HexDigitOf(key.Digit));
        return Insert(HexDigitOf(key.Digit));
    case HexKey::Up:
    case HexKey::Down:
        // Not on a digit: the plain editor does nothing with them either.
        if (!beforeEnd || HexDigitOf(s.Text[static_cast<std::size_t>(s.Caret)]) == 0) return {};
        return Step(key.Key == HexKey::Up ? 1 : -1);
    case HexKey::Left:
        if (s.SelLength == 0) s.Caret = std::max(0, s.Caret - 1);
        s.SelLength = 0;
        return {};
    case HexKey::Right:
        s.Caret = s.SelLength > 0 ? s.Caret + s.SelLength : std::min(Size(s.Text), s.Caret + 1);
        s.SelLength = 0;
        return {};
    case HexKey::Backspace:
        // Overwrite mode swallows the typed character before the end of the text, Backspace too.
        if (overwrite && beforeEnd) return {};
        if (s.SelLength > 0) return Erase(s.Caret, s.SelLength);
        if (s.Caret == 0) return {};
        return Erase(s.Caret - 1, 1);
    case HexKey::Delete:
        if (s.SelLength > 0) return Erase(s.Caret, s.SelLength);
        if (!beforeEnd) return {};
        return Erase(s.Caret, 1);
    }
    return {};
}

HexKeyOutcome HexKeyMachine::Overwrite(char digit) {
    HexEditorState& s = state_;
    int p = s.Caret;
    if (s.Text[static_cast<std::size_t>(p)] == Blank) ++p;
    if (p >= Size(s.Text)) { // only a blank was left to pass: the digit goes at the end
        s.Caret = p;
        s.SelLength = 0;
        return Insert(digit);
    }
    const bool changed = s.Text[static_cast<std::size_t>(p)] != digit;
    s.Text[static_cast<std::size_t>(p)] = digit;
    const bool nextIsDigit = p + 1 < Size(s.Text) && HexDigitOf(s.Text[static_cast<std::size_t>(p + 1)]) != 0;
    // Typing stays within the byte until an arrow moves on.
    s.Caret = nextIsDigit ? p + 1 : ByteStart(s.Text, p);
    s.SelLength = 0;
    return {.TextChanged = changed};
}

HexKeyOutcome HexKeyMachine::Insert(char digit) {
    HexEditorState& s = state_;
    const int length = Size(s.Text) - s.SelLength + 1;
    if (s.MaxLength > 0 && length > s.MaxLength) return {.Beep = true};
    s.Text.replace(static_cast<std::size_t>(s.Caret), static_cast<std::size_t>(s.SelLength), 1, digit);
    ++s.Caret;
    s.SelLength = 0;
    return {.TextChanged = true};
}

HexKeyOutcome HexKeyMachine::Step(int delta) {
    HexEditorState& s = state_;
    const auto p = static_cast<std::size_t>(s.Caret);
    const bool firstDigit = p == 0 || s.Text[p - 1] == Blank;
    if (firstDigit || HexDigitOf(s.Text[p - 1]) == 0) {
        s.Text[p] = Digits[(ValueOf(s.Text[p]) + delta + 16) % 16];
    } else {
        const int byte = (ValueOf(s.Text[p - 1]) * 16 + ValueOf(s.Text[p]) + delta + 256) % 256;
        s.Text[p - 1] = Digits[byte / 16];
        s.Text[p] = Digits[byte % 16];
    }
    return {.TextChanged = true};
}

HexKeyOutcome HexKeyMachine::Erase(int from, int count) {
    HexEditorState& s = state_;
    s.Text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
    s.Caret = from;
    s.SelLength = 0;
    return {.TextChanged = true};
}

HexKeyOutcome HexKeyMachine::KeyUp(HexKey key) {
    if (key == HexKey::Left || key == HexKey::Right || key == HexKey::Up || key == HexKey::Down ||
        key == HexKey::Modifier)
        return {};
    HexEditorState& s = state_;
    std::string formed = FormHexPairs(s.Text);
    int caret = s.Caret;
    // A blank the re-forming put in front of the caret: the caret follows what it stood behind.
    if (formed.size() > s.Text.size() && key != HexKey::Backspace && key != HexKey::Delete && caret % 3 == 0)
        ++caret;
    const bool changed = formed != s.Text;
    s.Text = std::move(formed);
    s.Caret = std::min(caret, Size(s.Text));
    s.SelLength = 0;
    return {.TextChanged = changed};
}
