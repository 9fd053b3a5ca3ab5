// The exported activation functions of libkrix_interface.so: each forwards to its C++ function
// (activation/ActivationExports.h) through the export guard (ExportGuard.h), which answers with
// the functions' own failure values when the body throws (those they give without a driver
// thread: ActivationsList -14, StatusChangeSnap 2, the others 0).
#include "ActivationApi.h"
#include "ActivationExports.h"
#include "ExportGuard.h"

using ExportGuard::Run;

static_assert(ActivationExports::SnapRecordBytes == 4120 && ActivationExports::SnapSteps == 20,
              "the record size that ActivationApi.h names");

extern "C" {

std::int32_t ActivationsList(ActivationRecord* records, int* count) {
    return Run(__func__, ActivationExports::ResultWrongState,
               [&] { return ActivationExports::ActivationsList(records, count); });
}

std::int32_t StartStopActivation(std::uint32_t activationId, std::uint8_t start) {
    return Run(__func__, std::int32_t{0}, [&] { return ActivationExports::StartStopActivation(activationId, start); });
}

std::int32_t ValueActivation(std::uint32_t value) {
    return Run(__func__, std::int32_t{0}, [&] { return ActivationExports::ValueActivation(value); });
}

std::uint8_t KrixActivationRequest() {
    return Run(__func__, std::uint8_t{0}, [] { return ActivationExports::KrixActivationRequest(); });
}

std::int32_t ChangeData() {
    return Run(__func__, ActivationExports::ChangeLinkFailed, [] { return ActivationExports::ChangeData(); });
}

std::int32_t StatusChangeSnap(void* snapRecord, std::int32_t step) {
    return Run(__func__, ActivationExports::SnapStopped,
               [&] { return ActivationExports::StatusChangeSnap(snapRecord, step); });
}

std::int32_t MessageView(ActivationView* view) {
    return Run(__func__, ActivationExports::ViewLinkFailed, [&] { return ActivationExports::MessageView(view); });
}

} // extern "C"
