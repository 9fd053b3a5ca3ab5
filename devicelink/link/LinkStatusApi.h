#pragma once
// Link functions of libkrix_interface.so that a tester host uses besides the twelve that the
// simulator binds (KrixLinkApi.h).
#include <cstdint>

extern "C" {
// 46 before a link exists, the initialisation error after a failed one, else the session status.
__attribute__((visibility("default"))) std::int32_t StatusKrix();
// Selects the ECU of a scan after the link is initialised: 1, or -14 in another state.
__attribute__((visibility("default"))) std::int32_t SetEcu(std::uint32_t index);
// Reach the device through the Bluetooth serial modules (on != 0) at the next port opening, the
// remote module called by moduleAddress; kept for the thread that ResetKrix makes. Does nothing
// without a driver thread, or with on != 0 and an address that cannot stand in the module's
// command line; on == 0 is always taken.
__attribute__((visibility("default"))) void SetBluetooth(std::uint8_t on, const char* moduleAddress);
}
