#include "LibraryBinding.h"

#include "Exception.h"

std::string LibraryPath(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

KrixLinkFunctions LoadKrixInterface(DynamicLibrary& library, const std::string& folder) {
    const std::string path = LibraryPath(folder, KrixLibraryName);
    if (!library.Open(path)) throw Exception("Cannot find " + path);
    KrixLinkFunctions f;
    bool all = true;
#define KRIX_BIND(name, ret, args)                                                                 \
    f.name = library.FindAs<KrixFn_##name>(#name);                                                 \
    all = all && f.name != nullptr;
    KRIX_LINK_FUNCTIONS(KRIX_BIND)
#undef KRIX_BIND
    if (!all) {
        library.Close();
        throw Exception(std::string("Cannot load all functions from ") + KrixLibraryName + "!");
    }
#define KRIX_BIND_OPTIONAL(name, ret, args) f.name = library.FindAs<KrixFn_##name>(#name);
    KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_BIND_OPTIONAL)
#undef KRIX_BIND_OPTIONAL
    return f;
}

ChecksumRoutine LoadChecksum(DynamicLibrary& library, const std::string& folder, std::int32_t n) {
    const std::string path = LibraryPath(folder, ChecksumLibraryName);
    if (!library.Open(path)) throw Exception("Cannot find " + path);
    return library.FindAs<ChecksumRoutine>((ChecksumRoutinePrefix + std::to_string(n)).c_str());
}
