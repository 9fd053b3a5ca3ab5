// The exported activation functions of libkrix_interface.so: each forwards to its C++ function
// (activation/ActivationExports.h).
#include "ActivationApi.h"
#include "ActivationExports.h"

static_assert(ActivationExports::SnapRecordBytes == 4120 && ActivationExports::SnapSteps == 20,
              "the record size that ActivationApi.h names");

extern "C" {

std::int32_t ActivationsList(ActivationRecord* records, int* count) {
    return ActivationExports::ActivationsList(records, count);
}

std::int32_t StartStopActivation(std::uint32_t activationId, std::uint8_t start) {
    return ActivationExports::StartStopActivation(activationId, start);
}

std::int32_t ValueActivation(std::uint32_t value) { return ActivationExports::ValueActivation(value); }
std::uint8_t KrixActivationRequest() { return ActivationExports::KrixActivationRequest(); }
std::int32_t ChangeData() { return ActivationExports::ChangeData(); }

std::int32_t StatusChangeSnap(void* snapRecord, std::int32_t step) {
    return ActivationExports::StatusChangeSnap(snapRecord, step);
}

std::int32_t MessageView(ActivationView* view) { return ActivationExports::MessageView(view); }

} // extern "C"
