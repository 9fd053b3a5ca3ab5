#pragma once
// The catalogue functions of libkrix_interface.so that a tester host binds by name: the texts of
// one language for the diagnosis lists and messages, and the texts of the vehicle database.
// Both read "./codec.ini" and the folder "text/<language id>/" below the working folder.
#include <cstdint>

extern "C" {
// Loads the catalogues of the language; the selected ECU's maker code chooses the maker's fault
// texts. 1 (missing or corrupt files give empty tables); 0 only when the load itself failed (no
// memory left, say), with a debug line.
__attribute__((visibility("default"))) std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec);
// Loads the fuel, plant and database texts of the language.
__attribute__((visibility("default"))) void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec);
}
