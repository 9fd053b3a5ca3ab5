#pragma once
// Loading a shared library by path and finding its routines by name (dlopen/dlsym).
// The only file of the engine that knows the operating system's loader.
#include <string>

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

    // Loads the library; false when it cannot be loaded (LastError says why).
    bool Open(const std::string& path);
    // Unloads it; the routines found in it must no longer be called.
    void Close();
    // Leaves the library loaded for the rest of the process: the handle is forgotten.
    void Keep();
    bool IsOpen() const { return handle_ != nullptr; }
    // The routine of that name, or nullptr.
    void* Find(const char* name) const;
    const std::string& LastError() const { return lastError_; }

    template <typename Fn> Fn FindAs(const char* name) const {
        return reinterpret_cast<Fn>(Find(name));
    }

private:
    void* handle_ = nullptr;
    std::string lastError_;
};
