// The exported link functions of libkrix_interface.so (the twelve, WaitRxFrame, StatusKrix,
// SetEcu and SetBluetooth): each one forwards to its C++ function (LinkExports.h). Only these
// names leave the library; everything linked in from the archives stays hidden (see
// CMakeLists.txt).
#include "KrixLinkApi.h"
#include "LinkExports.h"
#include "LinkStatusApi.h"

extern "C" {

bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan) {
    return LinkExports::CreateThreadKrix(comPort, autoScan);
}

bool DeleteThreadKrix() { return LinkExports::DeleteThreadKrix(); }

void ResetKrix() { LinkExports::ResetKrix(); }

bool SetMode(std::uint8_t mode) { return LinkExports::SetMode(mode); }

bool SetEcuDirect(std::uint32_t system, char letter, const char* setMux, char code, const char* dataDir) {
    return LinkExports::SetEcuDirect(system, letter, setMux, code, dataDir);
}

std::int32_t InitComKrix(std::uint8_t directOpen) { return LinkExports::InitComKrix(directOpen); }

bool SetProtocolType(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1,
                     std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3) {
    return LinkExports::SetProtocolType(kind, block, len1, list1, len2, list2, len3, list3);
}

bool StartStop_Ecu(std::uint8_t start) { return LinkExports::StartStop_Ecu(start); }

bool TxFrame(int reserved, int length, const std::uint8_t* data) {
    return LinkExports::TxFrame(reserved, length, data);
}

bool RxFrame(int* length, std::uint8_t* data) { return LinkExports::RxFrame(length, data); }

std::int32_t StatusInitKrix(std::uint16_t* textOut) { return LinkExports::StatusInitKrix(textOut); }

std::int32_t StatusTransparent() { return LinkExports::StatusTransparent(); }

// Optional: a caller binds it only when the library has it.
std::int32_t WaitRxFrame(std::int32_t timeoutMs) { return LinkExports::WaitRxFrame(timeoutMs); }

std::int32_t StatusKrix() { return LinkExports::StatusKrix(); }

std::int32_t SetEcu(std::uint32_t index) { return LinkExports::SetEcu(index); }

void SetBluetooth(std::uint8_t on, const char* moduleAddress) { LinkExports::SetBluetooth(on, moduleAddress); }

} // extern "C"
