#pragma once
// The key logic shared by the window's four hex editors (the request tree's data editor, the
// errors page's answer editor, the activations page's request and answer editors), without a
// widget, so one table of key cases holds for all of them.
//
// The text is hex digits in pairs separated by one blank ("10 c0 0"), lower case, no blank at the
// end. The machine holds the editor's text, its caret (the start of the selection, as the editor
// reports it) and selection, and the length limit of "Lock Length". Each key is two transitions:
//   KeyDown: the key's whole effect while it is pressed. A modifier key alone (Shift, Ctrl, Alt)
//     does nothing and is not refused: it is half of the key it modifies, and an upper-case digit
//     typed with Shift must not beep. Any other key that is not a hex digit, Backspace, Delete or
//     an arrow is refused with a beep: Home, End, Tab, Enter, Insert too, unless the editor's
//     owner takes the key first. In overwrite mode a digit replaces the
//     digit at the caret (skipping a blank) and the caret stays within that byte; Up and Down on a
//     digit step it (the first digit of a byte alone, the second the whole byte, both wrapping).
//     Everything else is the plain editor's: digits inserted (in insert mode, and at the end of
//     the text in overwrite mode), Backspace and Delete delete, Left and Right move. In overwrite
//     mode Backspace does nothing before the end of the text.
//   KeyUp: for every key but the arrows and the modifiers, the text is re-formed into
//     blank-separated pairs; a caret left behind by a blank the re-forming put in front of it
//     moves one on.
// The mode (overwrite or insert) is the window's and is given with each key.
//
// A thin widget drives it: it loads the editor's state before a key (SetState), hands the key on,
// and puts State() back, beeping when the outcome says so.
#include <string>

enum class HexKey {
    Digit,     // 0-9 and a-f; A-F count as a-f (HexKeyPress::Digit holds the lower-case digit)
    Backspace,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Modifier,  // Shift, Ctrl, Alt (and the like) pressed alone: no effect, no beep
    Other,     // anything else: refused with a beep
};

struct HexKeyPress {
    HexKey Key = HexKey::Other;
    char Digit = 0;
};

struct HexEditorState {
    std::string Text;
    int Caret = 0;        // 0 to the text's length; the start of the selection when there is one
    int SelLength = 0;    // characters selected from the caret on
    int MaxLength = 0;    // the most characters typing may make; 0: no limit
    bool operator==(const HexEditorState&) const = default;
};

struct HexKeyOutcome {
    bool Beep = false;
    bool TextChanged = false;
};

// The hex digit of a character, lower case, or 0 when it is none.
char HexDigitOf(char c);

// The text in pairs separated by one blank after every blank has been removed: "0102 0" gives
// "01 02 0".
std::string FormHexPairs(const std::string& text);

class HexKeyMachine {
public:
    HexKeyMachine() = default;
    explicit HexKeyMachine(HexEditorState state);

    // Takes the editor's state as it is now (the operator may have clicked or selected since the
    // last key). Positions are clamped to the text.
    void SetState(HexEditorState state);
    const HexEditorState& State() const { return state_; }

    HexKeyOutcome KeyDown(HexKeyPress key, bool overwrite);
    HexKeyOutcome KeyUp(HexKey key);

private:
    HexKeyOutcome Overwrite(char digit);
    HexKeyOutcome Insert(char digit);
    HexKeyOutcome Step(int delta);
    HexKeyOutcome Erase(int from, int count);

    HexEditorState state_;
};
