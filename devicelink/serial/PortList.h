#pragma once
// The serial ports of this machine, for the port scan: first the ports that the environment maps
// (KRIX_COM<n>, by n, as "\\.\COM<n>"), then every tty under /sys/class/tty that has a driver
// behind it (a device/driver link), as "/dev/<name>" in natural order. A device that a mapping
// already names is not listed twice.
#include <string>
#include <vector>

std::vector<std::string> ListSerialPorts();

// The same from a given environment (a null-terminated array of "NAME=value") and sysfs folder.
std::vector<std::string> ListSerialPorts(const char* const* environment, const std::string& ttyClassDir);
