#pragma once
// Link functions of libkrix_interface.so that a tester host uses besides the twelve that the
// simulator binds (KrixLinkApi.h).
#include <cstdint>

extern "C" {
// 46 before a link exists, the initialisation error after a failed one, else the session status.
__attribute__((visibility("default"))) std::int32_t StatusKrix();
// Selects the ECU of a scan after the link is initialised: 1, or -14 in another state.
__attribute__((visibility("default"))) std::int32_t SetEcu(std::uint32_t index);
}
