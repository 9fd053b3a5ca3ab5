#pragma once
// The memory use shown in the status bar: the percentage of physical memory in use, read from the
// operating system (/proc/meminfo on Linux).
#include <optional>
#include <string>

inline constexpr const char* MemoryStatusFormat = "Physical Memory used %d%%";

// The load from the text of /proc/meminfo: (MemTotal - MemAvailable) of MemTotal, rounded down;
// MemFree stands in for MemAvailable on kernels without it. Nothing when the text lacks them.
std::optional<int> MemoryLoadFromMeminfo(const std::string& text);

// The load now, or nothing when the system does not tell.
std::optional<int> ReadMemoryLoad();

// "Physical Memory used <n>%".
std::string MemoryStatusText(int load);
