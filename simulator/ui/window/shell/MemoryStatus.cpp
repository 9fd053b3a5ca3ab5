#include "MemoryStatus.h"

#include "FileBytes.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

namespace {

constexpr const char* MeminfoPath = "/proc/meminfo";

std::optional<std::uint64_t> Field(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string key;
    std::uint64_t value = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        if (fields >> key >> value && key == name + ":") return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> MemoryLoadFromMeminfo(const std::string& text) {
    const std::optional<std::uint64_t> total = Field(text, "MemTotal");
    std::optional<std::uint64_t> available = Field(text, "MemAvailable");
    if (!available) available = Field(text, "MemFree");
    if (!total || !available || *total == 0 || *available > *total) return std::nullopt;
    return static_cast<int>((*total - *available) * 100 / *total);
}

std::optional<int> ReadMemoryLoad() {
    std::string text;
    try {
        if (!ReadFileBytes(MeminfoPath, text)) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return MemoryLoadFromMeminfo(text);
}

std::string MemoryStatusText(int load) {
    char text[64];
    std::snprintf(text, sizeof text, MemoryStatusFormat, load);
    return text;
}
