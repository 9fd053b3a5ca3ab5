#pragma once
// The built libkrix_interface.so, loaded by path with dlopen and its link functions bound by
// name, as a program that uses the library does.
#include "KrixLinkApi.h"
#include "LinkStatusApi.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

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
    // Every function bound with Bind was found.
    bool AllNamedBound() const { return allNamedBound_; }

    // StatusInitKrix asked every 20 ms while it answers "running" (1), for 30 s at the most
    // (generous: only a broken link comes near it; never a measure of speed); its last answer.
    std::int32_t PollStatusInitKrix(std::uint16_t* text) const {
        constexpr std::int32_t Running = 1;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::int32_t r = StatusInitKrix(text);
        while (r == Running && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            r = StatusInitKrix(text);
        }
        return r;
    }

#define KRIX_MEMBER(name, ret, args) KrixFn_##name name = nullptr;
    KRIX_LINK_FUNCTIONS(KRIX_MEMBER)
    KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_MEMBER) // nullptr when the library lacks one
#undef KRIX_MEMBER
    std::int32_t (*StatusKrix)() = nullptr;
    std::int32_t (*SetEcu)(std::uint32_t) = nullptr;
    void (*SetBluetooth)(std::uint8_t, const char*) = nullptr;

protected:
    // A function beyond the link's, bound by name in a derived library's constructor.
    template <typename F> void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(Symbol(name));
        allNamedBound_ = allNamedBound_ && f != nullptr;
    }

private:
    std::string path_;
    void* handle_ = nullptr;
    bool allNamedBound_ = true;
};
