#pragma once
// The hex editors' key cases, one table for the widget-free key logic and for the Qt editor over
// it: each starts from a text with a caret (and a selection), in one mode, and clicks keys (each a
// press and a release).
//
// Keys are written one a token: a single character is that key ("a", "A", "0", "g"); the others
// by name: BS, DEL, LEFT, RIGHT, UP, DOWN, HOME, END, SHIFT, CTRL, ALT, INS, TAB; ^c for Ctrl+C and +A
// for Shift+A (as a keyboard gives them: the modifier key alone, then the key with it).
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

struct HexKeyCase {
    const char* Name;
    const char* Text;
    int Caret;
    int SelLength;
    bool Overwrite;
    int MaxLength; // 0: no limit
    const char* Keys;
    const char* ExpectText;
    int ExpectCaret;
    int ExpectBeeps;
};

inline void PrintTo(const HexKeyCase& c, std::ostream* os) { *os << c.Name; }

inline std::vector<std::string> HexKeyTokens(const char* keys) {
    std::vector<std::string> tokens;
    std::istringstream in(keys);
    for (std::string token; in >> token;) tokens.push_back(token);
    return tokens;
}

inline constexpr bool Over = true;
inline constexpr bool Ins = false;

// clang-format off
inline const HexKeyCase HexKeyCases[] = {
    // Overwrite mode: typing stays within one byte until an arrow moves on.
    {"OverwriteStaysInTheByte",      "12 34", 0, 0, Over, 0, "a b",        "ab 34",   0, 0},
    {"RightThenMovesOn",             "12 34", 0, 0, Over, 0, "a b RIGHT",  "ab 34",   1, 0},
    {"OverwriteSkipsTheBlank",       "12 34", 2, 0, Over, 0, "f",          "12 f4",   4, 0},
    {"OverwriteLastDigitBacksUp",    "12 34", 4, 0, Over, 0, "f",          "12 3f",   3, 0},
    {"OverwriteOfAHalfByte",         "12 3",  3, 0, Over, 0, "e",          "12 e",    3, 0},
    {"OverwriteAtTheEndInserts",     "12 34", 5, 0, Over, 0, "5 6",        "12 34 56", 8, 0},
    {"UpperCaseCountsAsLower",       "12 34", 0, 0, Over, 0, "A B",        "ab 34",   0, 0},
    {"ShiftedUpperCaseOverwrites",   "12 34", 0, 0, Over, 0, "+A +B",      "ab 34",   0, 0},
    {"ShiftedUpperCaseInserts",      "",      0, 0, Ins,  0, "+F +E +D",   "fe d",    4, 0},
    // Up and Down: the first digit alone, the second the whole byte, both wrapping.
    {"UpOnSecondDigitOfFF",          "ff",    1, 0, Over, 0, "UP",         "00",      1, 0},
    {"DownOnFirstDigitOf0F",         "0f",    0, 0, Over, 0, "DOWN",       "ff",      0, 0},
    {"DownOnSecondDigitOf00",        "12 00", 4, 0, Ins,  0, "DOWN",       "12 ff",   4, 0},
    {"UpOnFirstDigitWraps",          "f1",    0, 0, Ins,  0, "UP UP",      "11",      0, 0},
    {"UpOnTheBlankDoesNothing",      "12 34", 2, 0, Over, 0, "UP",         "12 34",   2, 0},
    {"DownAtTheEndDoesNothing",      "12",    2, 0, Over, 0, "DOWN",       "12",      2, 0},
    // Insert mode: the plain editor inserts, and the key's release re-forms the pairs.
    {"InsertIntoAnEmptyEditor",      "",      0, 0, Ins,  0, "0 1 0",      "01 0",    4, 0},
    {"InsertBeforeABlank",           "01 02", 2, 0, Ins,  0, "f",          "01 f0 2", 4, 0},
    {"InsertAtTheStart",             "01 02", 0, 0, Ins,  0, "f",          "f0 10 2", 1, 0},
    {"InsertReplacesTheSelection",   "12 34", 0, 2, Ins,  0, "f",          "f3 4",    1, 0},
    // Backspace works only at the end in overwrite mode; Delete works anywhere.
    {"BackspaceMidTextOverwrite",    "12 34", 2, 0, Over, 0, "BS",         "12 34",   2, 0},
    {"BackspaceAtTheEndOverwrite",   "12 34", 5, 0, Over, 0, "BS",         "12 3",    4, 0},
    {"BackspaceMidTextInsert",       "12 34", 4, 0, Ins,  0, "BS",         "12 4",    3, 0},
    {"DeleteMidTextOverwrite",       "12 34", 0, 0, Over, 0, "DEL",        "23 4",    0, 0},
    {"DeleteOfTheBlankReforms",      "12 34", 2, 0, Ins,  0, "DEL",        "12 34",   2, 0},
    // Refused keys beep and change nothing: Insert (the window's mode) and Tab too. A modifier
    // alone is no key of its own: nothing happens and nothing beeps.
    {"RefusedKeysBeep",              "12",    0, 0, Over, 0, "g HOME END", "12",      0, 3},
    {"RefusedInInsertMode",          "12",    2, 0, Ins,  0, "x",          "12",      2, 1},
    {"CtrlCIsNoDigit",               "12 34", 0, 0, Over, 0, "^c",         "12 34",   0, 1},
    {"InsertAndTabBeep",             "12",    0, 0, Over, 0, "INS TAB",    "12",      0, 2},
    {"ModifiersAloneAreSilent",      "12 3",  4, 0, Ins,  0, "SHIFT CTRL ALT", "12 3", 4, 0},
    {"ArrowsStopAtTheEnds",          "12",    0, 0, Over, 0, "LEFT RIGHT RIGHT RIGHT", "12", 2, 0},
    // Lock Length: no digit beyond the locked length.
    {"LockedLengthRefusesADigit",    "12 34", 5, 0, Ins,  5, "6",          "12 34",   5, 1},
    {"LockedLengthStillOverwrites",  "12 34", 0, 0, Over, 5, "9",          "92 34",   1, 0},
};
// clang-format on
