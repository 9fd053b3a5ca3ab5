#pragma once
// The one way every exported function of libkrix_interface.so runs its body: no C++ exception
// crosses the C boundary into the host, which could not catch it and would end. An exception out
// of the body (std::bad_alloc, or one raised by a host's own Qt message handler while the library
// writes a debug line) is caught here, written as a debug line naming the export, and the export
// returns its failure value. Everything the body held under a lock was let go as it unwound.
//
//   bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan) {
//       return ExportGuard::Run(__func__, false, [&] { return LinkExports::CreateThreadKrix(comPort, autoScan); });
//   }
#include <exception>
#include <utility>

namespace ExportGuard {

// The debug line of a failed export; what is the exception's text, or null when it was not a
// std::exception. Never throws: a debug line that fails in turn is dropped.
void ReportFailure(const char* exportName, const char* what) noexcept;

// body() and its result, or failure when it throws.
template <typename R, typename Body> R Run(const char* exportName, R failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const std::exception& e) {
        ReportFailure(exportName, e.what());
    } catch (...) {
        ReportFailure(exportName, nullptr);
    }
    return failure;
}

// The same for an export without a result.
template <typename Body> void Run(const char* exportName, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (const std::exception& e) {
        ReportFailure(exportName, e.what());
    } catch (...) {
        ReportFailure(exportName, nullptr);
    }
}

} // namespace ExportGuard
