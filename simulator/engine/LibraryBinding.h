#pragma once
// Binding of the two libraries that the engine loads from the program's folder at run time:
// libkrix_interface.so (the twelve link functions, and WaitRxFrame when the library has it) and
// libChecksum.so (the checksum routine of the simulation's frame structure).
#include <cstdint>
#include <string>

#include "DynamicLibrary.h"
#include "KrixLinkApi.h"

// The twelve link functions, bound by name, and the optional ones (nullptr when the library lacks
// them).
struct KrixLinkFunctions {
#define KRIX_MEMBER(name, ret, args) KrixFn_##name name = nullptr;
    KRIX_LINK_FUNCTIONS(KRIX_MEMBER)
    KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_MEMBER)
#undef KRIX_MEMBER
};

inline constexpr const char* KrixLibraryName = "libkrix_interface.so";
inline constexpr const char* ChecksumLibraryName = "libChecksum.so";
inline constexpr const char* ChecksumRoutinePrefix = "CheckSumComposer_";

// The checksum routine's convention: count of hex characters, the text from the checksum start.
using ChecksumRoutine = std::int32_t (*)(std::int32_t count, const char* text);

// folder + name, with one '/' between them whether or not the folder ends in one.
std::string LibraryPath(const std::string& folder, const char* name);

// Loads libkrix_interface.so from the folder into library and binds all twelve functions, and
// the optional ones it has. Raises "Cannot find " + path when the library cannot be loaded, and
// "Cannot load all functions from libkrix_interface.so!" when one of the twelve is missing (the
// library is unloaded again then).
KrixLinkFunctions LoadKrixInterface(DynamicLibrary& library, const std::string& folder);

// Loads libChecksum.so from the folder into library and finds "CheckSumComposer_<n>".
// Raises "Cannot find " + path when the library cannot be loaded; a missing routine is no
// failure and gives nullptr.
ChecksumRoutine LoadChecksum(DynamicLibrary& library, const std::string& folder, std::int32_t n);
