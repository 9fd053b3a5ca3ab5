#pragma once
// The activation functions of libkrix_interface.so that a tester host binds by name: the ECU's
// activations (actuator tests) with their names and kinds, their start and stop, the values the
// device asks for, their state, and the view of the running activation. The host owns every
// record; the library writes only the fields named for each.
//
// The host's order: ActivationsList once the link is up (after StatusInitKrix answered 0 and
// InitText loaded the texts); StartStopActivation(id, 1); then, repeatedly, MessageView or
// ChangeData, answering with ValueActivation or letting StatusChangeSnap answer a digit entry;
// StartStopActivation(id, 0). KrixActivationRequest tells the host that the device itself asked
// for an activation. Without a driver thread every function returns its failure value and
// changes nothing (StartStopActivation 0, StatusChangeSnap 2).
#include "CallerRecords.h"

#include <cstdint>

extern "C" {
// The activations into records (room for 100) and their number into *count: 1; -14 before the
// link is initialised and the texts are loaded; -1 after a failed link initialisation.
__attribute__((visibility("default"))) std::int32_t ActivationsList(ActivationRecord* records, int* count);
// start not 0: starts the activation: 1; while one runs it goes on and the start answers 0
// (the view is drawn whole at the next MessageView all the same). start 0: stops it: 1.
__attribute__((visibility("default"))) std::int32_t StartStopActivation(std::uint32_t activationId, std::uint8_t start);
// 1 when the running activation waited for a value and took this one, else 0.
__attribute__((visibility("default"))) std::int32_t ValueActivation(std::uint32_t value);
// 255 once after the device asked for an activation, else 0.
__attribute__((visibility("default"))) std::uint8_t KrixActivationRequest();
// 1 running, 2 ended (reported once), 0 the link initialisation failed (the activation stops).
__attribute__((visibility("default"))) std::int32_t ChangeData();
// Follows the steps and answers a digit entry with the digits of step + 1. 0 running, 2 stopped
// here, 1 ended: snapRecord (at least 4120 bytes) then gets the number of step texts at byte
// 1076 and at most 20 step texts of 76 16-bit units from byte 1080 on.
__attribute__((visibility("default"))) std::int32_t StatusChangeSnap(void* snapRecord, std::int32_t step);
// Builds the host's view of the running activation: 1 up to date, 2 ended (reported once), 0 the
// link initialisation failed (the activation stops).
__attribute__((visibility("default"))) std::int32_t MessageView(ActivationView* view);
}
