#pragma once
// The two text forms of a hex value. The file form is digits only, two per byte ("10c001"): the
// simulation file and the engine use it. The display form separates the digit pairs by one blank
// ("10 c0 01"): the request tree, the lists and the hex editors show it.
#include <string>
#include <string_view>

// File form to display form. Characters are copied as they are (no case change, no digit check);
// an empty text gives an empty text. An odd number of characters raises
// "DividePacket (<text>) Error: Odd number of digits!"; any other failure inside is raised with
// the same "DividePacket (<text>) Error: " prefix.
std::string DividePacket(const std::string& text);

// Display form back to file form: the text without any blank (code 32). Never fails.
std::string StripBlanks(std::string text);

// Replaces every occurrence of `search` in `text` by `replacement`, leftmost first; true when at
// least one replacement was made. Text that a replacement inserted is not searched again, so a
// replacement that contains (or rebuilds) the search text cannot make the call run forever. An
// empty search text replaces nothing.
bool ReplaceAll(std::string& text, std::string_view search, std::string_view replacement);
