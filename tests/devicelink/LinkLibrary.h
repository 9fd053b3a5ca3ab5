#pragma once
// The built libkrix_interface.so, loaded by path with dlopen and its link functions bound by
// name, as a program that uses the library does.
#include "KrixLinkApi.h"
#include "LinkStatusApi.h"

#include <dlfcn.h>

#include <string>

#ifndef TARVICO_LIBRARY_DIR
#error "TARVICO_LIBRARY_DIR must name the folder of the built library"
#endif

class LinkLibrary {
public:
    LinkLibrary() : path_(std::string(TARVICO_LIBRARY_DIR) + "/libkrix_interface.so") {
        handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_)
            return;
#define KRIX_BIND(name, ret, args) name = reinterpret_cast<KrixFn_##name>(dlsym(handle_, #name));
        KRIX_LINK_FUNCTIONS(KRIX_BIND)
        KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_BIND)
#undef KRIX_BIND
        StatusKrix = reinterpret_cast<decltype(StatusKrix)>(dlsym(handle_, "StatusKrix"));
        SetEcu = reinterpret_cast<decltype(SetEcu)>(dlsym(handle_, "SetEcu"));
        SetBluetooth = reinterpret_cast<decltype(SetBluetooth)>(dlsym(handle_, "SetBluetooth"));
    }
    ~LinkLibrary() {
        if (handle_)
            dlclose(handle_);
    }
    LinkLibrary(const LinkLibrary&) = delete;
    LinkLibrary& operator=(const LinkLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    bool AllBound() const {
        bool all = StatusKrix && SetEcu && SetBluetooth;
#define KRIX_CHECK(name, ret, args) all = all && name != nullptr;
        KRIX_LINK_FUNCTIONS(KRIX_CHECK)
#undef KRIX_CHECK
        return all;
    }
    void* Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
    std::string Error() const {
        const char* e = dlerror();
        return e ? e : path_;
    }

#define KRIX_MEMBER(name, ret, args) KrixFn_##name name = nullptr;
    KRIX_LINK_FUNCTIONS(KRIX_MEMBER)
    KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_MEMBER) // nullptr when the library lacks one
#undef KRIX_MEMBER
    std::int32_t (*StatusKrix)() = nullptr;
    std::int32_t (*SetEcu)(std::uint32_t) = nullptr;
    void (*SetBluetooth)(std::uint8_t, const char*) = nullptr;

private:
    std::string path_;
    void* handle_ = nullptr;
};
