#pragma once
// The display text of a device message (id, source catalogue, line slot), as the catalogue side
// builds it. Until a catalogue installs its builder every message is the empty text.
#include <QString>

#include <cstdint>
#include <functional>

using MessageTextBuilder = std::function<QString(std::uint32_t id, std::uint8_t source, std::uint8_t slot)>;

// Installs the builder (an empty one: back to the empty text). Any thread.
void SetMessageTextBuilder(MessageTextBuilder builder);
QString MessageText(std::uint32_t id, std::uint8_t source, std::uint8_t slot);
