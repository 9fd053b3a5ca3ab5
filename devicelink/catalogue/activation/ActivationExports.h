#pragma once
// The activation functions of libkrix_interface.so as C++ functions: a tester host lists the
// ECU's activations (actuator tests), starts and stops one, hands it the values the device asks
// for, follows its state, and has its screen record built from the device's description. The
// exported C functions (ActivationExports.cpp) call these one for one; the tests call them
// in-process.
//
// Each runs on the caller's thread and reaches the driver thread under the library's lock
// (ActivationDriver.h). Without a driver thread each returns its failure value and changes nothing:
// ActivationsList -14, StartStopActivation, ValueActivation, KrixActivationRequest, ChangeData
// and MessageView 0, StatusChangeSnap 2.
#include "CallerRecords.h"

#include <cstddef>
#include <cstdint>

namespace ActivationExports {

// ActivationsList's results (the list exports' codes).
constexpr std::int32_t ListOk = 1;
constexpr std::int32_t ResultWrongState = -14;

// ChangeData's results.
constexpr std::int32_t ChangeLinkFailed = 0;
constexpr std::int32_t ChangeRunning = 1;
constexpr std::int32_t ChangeEnded = 2;

// StatusChangeSnap's results.
constexpr std::int32_t SnapRunning = 0;
constexpr std::int32_t SnapEnded = 1;
constexpr std::int32_t SnapStopped = 2;

// MessageView's results.
constexpr std::int32_t ViewLinkFailed = 0;
constexpr std::int32_t ViewUpToDate = 1;
constexpr std::int32_t ViewEnded = 2;

constexpr std::uint8_t ActivationAsked = 255; // KrixActivationRequest

// The step texts a host's SnapRecord holds: the record is at least SnapRecordBytes long.
constexpr std::size_t SnapSteps = 20;
constexpr std::size_t SnapRecordBytes = SnapRecordLayout::FirstStepOffset + SnapRecordLayout::StepBytes * SnapSteps;

// The ids, names and kinds of the ECU's activations (at most the 100 the thread holds) into the
// host's array, and their number into *count: 1; -14 before the link is initialised and the
// texts are loaded (or without an array or count); the thread's init error (-1) after a failed
// initialisation. Only the id, kind and name of each record are written.
std::int32_t ActivationsList(ActivationRecord* records, int* count);
// start not 0: the view memory is reset, the id kept and the activation armed on the thread: 1;
// while one runs the thread refuses it: 0 (the running one continues; the view memory is reset
// and the id kept all the same, as at every start). start 0: the
// activation ends (the thread serves its stop request at once) and the ECU link state is
// forgotten: 1. A stop ends the activation, so the next start arms a new one with a fresh
// record.
std::int32_t StartStopActivation(std::uint32_t activationId, std::uint8_t start);
// 1 when the running activation waited for a value and took this one; 0 otherwise.
std::int32_t ValueActivation(std::uint32_t value);
// 255 once after the device asked for an activation, else 0.
std::uint8_t KrixActivationRequest();
// 1 the activation runs, 2 it has ended (once), 0 the link initialisation failed (the
// activation is stopped).
std::int32_t ChangeData();
// Follows the activation's steps and answers a digit entry by itself with the digit of step + 1
// that the device asks for. 0 running, 2 stopped here (message 0x7A or a failed link), 1 the
// activation had ended: the host's record (void: its size is the host's, at least
// SnapRecordBytes) then gets the step texts, at most SnapSteps of them.
std::int32_t StatusChangeSnap(void* snapRecord, std::int32_t step);
// Turns the device's description of the screen into the host's view; sends the digits the host
// entered. 1 up to date, 2 the activation has ended (once), 0 the link initialisation failed.
std::int32_t MessageView(ActivationView* view);

} // namespace ActivationExports
