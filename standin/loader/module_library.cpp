#include "standin/loader/module_library.h"

#include <cctype>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace standin {

namespace {

#if defined(_WIN32)
constexpr const char* kModuleSuffix = ".dll";

void* open_library(const std::filesystem::path& file, std::string& error) {
    HMODULE h = LoadLibraryW(file.wstring().c_str());
    if (h == nullptr) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
}

void* find_symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void close_library(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
constexpr const char* kModuleSuffix = ".so";

void* open_library(const std::filesystem::path& file, std::string& error) {
    // RTLD_NOW: a host symbol the module needs but this host lacks is an
    // error here, not a crash in the middle of a step.
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "unknown reason";
    }
    return h;
}

void* find_symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void close_library(void* handle) {
    dlclose(handle);
}
#endif

template <typename F>
F resolve(void* handle, const std::filesystem::path& file, const char* name) {
    void* symbol = find_symbol(handle, name);
    if (symbol == nullptr) {
        close_library(handle);
        throw ModuleLoadError(file.string() + ": module does not export " + name);
    }
    return reinterpret_cast<F>(symbol);
}

bool is_plain_name(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (unsigned char c : name)
        if (!(std::isalnum(c) || c == '_' || c == '-')) return false;
    return true;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path& file) : file_(file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw ModuleLoadError(file.string() + ": no such module file");
    std::string error;
    handle_ = open_library(file, error);
    if (handle_ == nullptr) throw ModuleLoadError(file.string() + ": cannot load: " + error);
    exports_.GetModuleVersion =
        resolve<decltype(exports_.GetModuleVersion)>(handle_, file, "GetModuleVersion");
    exports_.ModuleDate = resolve<decltype(exports_.ModuleDate)>(handle_, file, "ModuleDate");
    exports_.zvcInit = resolve<decltype(exports_.zvcInit)>(handle_, file, "zvcInit");
    exports_.zvcExit = resolve<decltype(exports_.zvcExit)>(handle_, file, "zvcExit");
}

ModuleLibrary::~ModuleLibrary() {
    if (handle_ != nullptr) close_library(handle_);
}

std::string module_file_name(const std::string& class_name) {
    return class_name + kModuleSuffix;
}

ModuleLoader::ModuleLoader(std::filesystem::path modules_dir) : dir_(std::move(modules_dir)) {}

ModuleLibrary& ModuleLoader::for_class(const std::string& class_name) {
    auto it = loaded_.find(class_name);
    if (it != loaded_.end()) return *it->second;
    // A class name comes from a scenario file: never let it name a path.
    if (!is_plain_name(class_name))
        throw ModuleLoadError("vessel class \"" + class_name +
                              "\" is not a module name (letters, digits, '_' and '-' only)");
    auto library = std::make_unique<ModuleLibrary>(dir_ / module_file_name(class_name));
    return *loaded_.emplace(class_name, std::move(library)).first->second;
}

}  // namespace standin
