#include "ExportGuard.h"

#include <QtGlobal>

namespace ExportGuard {

void ReportFailure(const char* exportName, const char* what) noexcept {
    try {
        qDebug("main: krix_interface: %s: failed (%s); it returns its failure value", exportName,
               what != nullptr ? what : "an exception of an unknown kind");
    } catch (...) {
        // The line itself failed (a host's message handler that throws): the failure value still
        // reaches the host.
    }
}

} // namespace ExportGuard
