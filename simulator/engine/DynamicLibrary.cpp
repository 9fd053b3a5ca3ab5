#include "DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

DynamicLibrary::~DynamicLibrary() { Close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), lastError_(std::move(other.lastError_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        lastError_ = std::move(other.lastError_);
    }
    return *this;
}

bool DynamicLibrary::Open(const std::string& path) {
    Close();
    // RTLD_LOCAL: the link library and the checksum library must not resolve each other's names.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        lastError_ = why ? why : "unknown loader error";
        return false;
    }
    lastError_.clear();
    return true;
}

void DynamicLibrary::Close() {
    if (handle_) dlclose(std::exchange(handle_, nullptr));
}

void DynamicLibrary::Keep() { handle_ = nullptr; }

void* DynamicLibrary::Find(const char* name) const {
    if (!handle_ || !name) return nullptr;
    return dlsym(handle_, name);
}
