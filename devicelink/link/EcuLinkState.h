#pragma once
// The ECU link state that the running device program reports, and the initialisation message
// record read through it. Both run on the caller's thread of StatusInitKrix while the driver
// thread only idles (normal mode).
//
// Link-state answer (15 bytes, 5B 01 20 00 00 0F 62 3F 00 ...): bit 0 of byte 10 says the link
// is ready; byte 12 is 0 for a plain ready link, 6 when the device asks for an activation (only
// programs from 190 on ask for one).
#include <cstddef>
#include <cstdint>

namespace EcuLink {

constexpr std::uint8_t NotReady = 0;
constexpr std::uint8_t Ready = 1;            // the only state in which the status record is read
constexpr std::uint8_t AsksActivation = 6;

constexpr std::size_t ReadyByteOffset = 10;
constexpr std::uint8_t ReadyBit = 0x01;
constexpr std::size_t RequestByteOffset = 12;
constexpr std::uint8_t RequestNone = 0;
constexpr std::uint8_t RequestActivation = 6;
constexpr std::int32_t FirstProgramAskingActivation = 190;
constexpr std::size_t AnswerSize = 15;

// The link state an accepted answer (AnswerSize bytes) gives for the program.
std::uint8_t StateFromAnswer(const std::uint8_t* answer, std::int32_t programNumber);

} // namespace EcuLink
