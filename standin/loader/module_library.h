// A vessel module loaded through the operating system's dynamic-library
// mechanism, with its four exports resolved.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/module_entry.h"
#include "host/vessel.h"

namespace standin {

// A module that could not be found, loaded or resolved. The message names
// the file and the reason.
class ModuleLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ModuleExports {
    decltype(&::GetModuleVersion) GetModuleVersion = nullptr;
    decltype(&::ModuleDate) ModuleDate = nullptr;
    decltype(&::zvcInit) zvcInit = nullptr;
    decltype(&::zvcExit) zvcExit = nullptr;
};

class ModuleLibrary {
public:
    // Loads the file and resolves the exports; throws ModuleLoadError.
    explicit ModuleLibrary(const std::filesystem::path& file);
    ~ModuleLibrary();  // unloads
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    const ModuleExports& exports() const { return exports_; }
    const std::filesystem::path& file() const { return file_; }
    // The operating system's handle: what the module announces as its instance.
    void* native_handle() const { return handle_; }

private:
    std::filesystem::path file_;
    void* handle_ = nullptr;
    ModuleExports exports_;
};

// The file name a module of a vessel class has on this platform: "KRV" ->
// "KRV.so" (or "KRV.dll").
std::string module_file_name(const std::string& class_name);

// Finds modules by vessel class in one folder and keeps each loaded until
// the loader goes.
class ModuleLoader {
public:
    explicit ModuleLoader(std::filesystem::path modules_dir);

    // Throws ModuleLoadError for a class name that is not a plain name, a
    // missing file, a failed load or a missing export.
    ModuleLibrary& for_class(const std::string& class_name);

    const std::filesystem::path& modules_dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::map<std::string, std::unique_ptr<ModuleLibrary>> loaded_;
};

}  // namespace standin
