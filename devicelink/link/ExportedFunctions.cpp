// The exported link functions of libkrix_interface.so (the twelve, WaitRxFrame, StatusKrix,
// SetEcu and SetBluetooth): each one runs its C++ function (LinkExports.h) through the export
// guard (ExportGuard.h), which returns the failure value below when the body throws. Only these
// names leave the library; everything linked in from the archives stays hidden (see
// CMakeLists.txt).
#include "ExportGuard.h"
#include "KrixLinkApi.h"
#include "LinkExports.h"
#include "LinkStatusApi.h"

using ExportGuard::Run;

extern "C" {

bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan) {
    return Run(__func__, false, [&] { return LinkExports::CreateThreadKrix(comPort, autoScan); });
}

bool DeleteThreadKrix() { return Run(__func__, false, [] { return LinkExports::DeleteThreadKrix(); }); }

void ResetKrix() { Run(__func__, [] { LinkExports::ResetKrix(); }); }

bool SetMode(std::uint8_t mode) { return Run(__func__, false, [&] { return LinkExports::SetMode(mode); }); }

bool SetEcuDirect(std::uint32_t system, char letter, const char* setMux, char code, const char* dataDir) {
    return Run(__func__, false, [&] { return LinkExports::SetEcuDirect(system, letter, setMux, code, dataDir); });
}

std::int32_t InitComKrix(std::uint8_t directOpen) {
    return Run(__func__, LinkExports::ResultWrongState, [&] { return LinkExports::InitComKrix(directOpen); });
}

bool SetProtocolType(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1,
                     std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3) {
    return Run(__func__, false,
               [&] { return LinkExports::SetProtocolType(kind, block, len1, list1, len2, list2, len3, list3); });
}

bool StartStop_Ecu(std::uint8_t start) {
    return Run(__func__, false, [&] { return LinkExports::StartStop_Ecu(start); });
}

bool TxFrame(int reserved, int length, const std::uint8_t* data) {
    return Run(__func__, false, [&] { return LinkExports::TxFrame(reserved, length, data); });
}

bool RxFrame(int* length, std::uint8_t* data) {
    return Run(__func__, false, [&] { return LinkExports::RxFrame(length, data); });
}

std::int32_t StatusInitKrix(std::uint16_t* textOut) {
    return Run(__func__, LinkExports::ResultWrongState, [&] { return LinkExports::StatusInitKrix(textOut); });
}

std::int32_t StatusTransparent() {
    return Run(__func__, LinkExports::NoThreadTransparentState, [] { return LinkExports::StatusTransparent(); });
}

// Optional: a caller binds it only when the library has it.
std::int32_t WaitRxFrame(std::int32_t timeoutMs) {
    return Run(__func__, LinkExports::WaitNoThread, [&] { return LinkExports::WaitRxFrame(timeoutMs); });
}

std::int32_t StatusKrix() { return Run(__func__, LinkExports::NoLink, [] { return LinkExports::StatusKrix(); }); }

std::int32_t SetEcu(std::uint32_t index) {
    return Run(__func__, LinkExports::ResultWrongState, [&] { return LinkExports::SetEcu(index); });
}

void SetBluetooth(std::uint8_t on, const char* moduleAddress) {
    Run(__func__, [&] { LinkExports::SetBluetooth(on, moduleAddress); });
}

} // extern "C"
