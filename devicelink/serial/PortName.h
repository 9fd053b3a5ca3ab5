#pragma once
// How a serial port's name becomes a device path on Linux. One resolver for every serial port of
// the system (the device link and the simulator's ZULM port), so that a configured "COM5" means
// the same device everywhere.
//
//   "COM<n>" or "\\.\COM<n>"  -> the value of the environment variable KRIX_COM<n> when it is set
//                                and not empty, else /dev/ttyS<n-1>
//   a name that begins with '/' -> used as it is
//   anything else               -> empty (not a port name)
//
// No Qt here on purpose: the simulator's side links it without the library.
#include <optional>
#include <string>
#include <string_view>

// "\\.\COM<n>": the form the device link builds from a bare port number.
std::string ComPortName(int number);

// The n of "COM<n>" or "\\.\COM<n>" (letters in any case); nothing for other names or n < 1.
std::optional<int> ComPortNumber(std::string_view name);

// The environment variable that maps COM<n>: "KRIX_COM<n>".
std::string ComPortVariable(int number);

// The device path to open, or empty when the name names no port.
std::string ResolvePortName(std::string_view name);
