#include "ZulmPort.h"

#include "Exception.h"
#include "ZulmLine.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

std::string ZulmOpenErrorText(const std::string& portName, const std::string& device) {
    return std::string(ZulmOpenError) + " Port: " + portName + ", device: " + (device.empty() ? "none" : device);
}

TCommPort1::~TCommPort1() {
    if (!open_) return;
    try {
        Close();
    } catch (const std::exception&) {
        // Nothing can be reported from a destructor; the descriptor is released either way.
    }
}

void TCommPort1::Open() {
    if (open_) return;
    std::string device;
    const int fd = ZulmLine::Open(portName_, device);
    if (fd < 0) throw Exception(ZulmOpenErrorText(portName_, device));
    handle_ = fd;
    const auto fail = [&](const char* text) {
        ZulmLine::Close(fd);
        throw Exception(text);
    };
    switch (ZulmLine::Configure(fd, settings_.BaudRate, settings_.ByteSize, settings_.Parity, settings_.StopBits)) {
    case ZulmLine::ConfigureResult::StateNotRead: fail(ZulmGetStateError); break;
    case ZulmLine::ConfigureResult::StateNotSet: fail(ZulmSetStateError); break;
    case ZulmLine::ConfigureResult::Done: break;
    }
    timeouts_ = ZulmOpenTimeouts;
    open_ = true;
}

void TCommPort1::SetBaudRate(int baudRate) {
    const int previous = settings_.BaudRate;
    settings_.BaudRate = baudRate;
    if (!open_) return;
    if (ZulmLine::Configure(handle_, settings_.BaudRate, settings_.ByteSize, settings_.Parity, settings_.StopBits) !=
        ZulmLine::ConfigureResult::Done) {
        settings_.BaudRate = previous;
        throw Exception(ZulmBaudRateError);
    }
}

void TCommPort1::WriteString(const char* text) {
    if (!open_ || text == nullptr) throw Exception(ZulmWriteError);
    const std::size_t count = std::strlen(text);
    if (count == 0) return;
    const std::uint64_t limit = timeouts_.WriteTotalConstant + std::uint64_t{timeouts_.WriteTotalMultiplier} * count;
    // A write that does not get every byte out in time has failed: the unit would read half a code.
    if (!ZulmLine::Write(handle_, text, count, static_cast<int>(std::min<std::uint64_t>(limit, INT32_MAX))))
        throw Exception(ZulmWriteError);
}

void TCommPort1::Close() {
    if (!open_) return;
    // The descriptor is released even when close reports a failure, so the port counts as closed:
    // closing it again could close a descriptor that has been handed out anew.
    open_ = false;
    if (!ZulmLine::Close(handle_)) throw Exception(ZulmCloseError);
}
