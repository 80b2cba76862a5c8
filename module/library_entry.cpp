// What runs when the operating system loads and unloads the module.
//
// At load the module announces its instance to the host and looks for an
// optional exit hook among its own exports; at unload it calls the hook if
// it found one. This build exports no hook, but the lookup belongs to the
// frame. A build that adds one must also export it: mark it MODULE_EXPORT
// and, on ELF, add its name to module/exports.map, which hides the rest.
#include "host/module_entry.h"
#include "host/zenthar.h"

namespace {

using ExitHook = ModuleExitHook;

ExitHook exit_hook = nullptr;
MODULEINSTANCE module_instance = nullptr;

}  // namespace

#if defined(_WIN32)

#include <windows.h>

namespace {

ExitHook find_own_export(MODULEINSTANCE instance, const char* name) {
    return reinterpret_cast<ExitHook>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(instance), name)));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            module_instance = instance;
            InitLib(instance);
            for (const char* name : kExitHookNames) {
                exit_hook = find_own_export(instance, name);
                if (exit_hook != nullptr) break;
            }
            break;
        case DLL_PROCESS_DETACH:
            if (exit_hook != nullptr) exit_hook(instance);
            break;
        default:
            break;
    }
    return TRUE;
}

#else

#include <dlfcn.h>

namespace {

// The dynamic linker's handle for this library: the same value the host got
// from its own dlopen. Taking it again with RTLD_NOLOAD and releasing it at
// once leaves the reference count as the host set it.
MODULEINSTANCE own_instance(const void** base) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&own_instance), &info) == 0) return nullptr;
    *base = info.dli_fbase;
    void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle;
}

// dlsym on a library handle also searches the libraries it depends on, so a
// symbol found there counts only if it lies inside this module.
ExitHook find_own_export(MODULEINSTANCE instance, const void* base, const char* name) {
    if (instance == nullptr) return nullptr;
    void* symbol = dlsym(instance, name);
    Dl_info info{};
    if (symbol == nullptr || dladdr(symbol, &info) == 0 || info.dli_fbase != base) return nullptr;
    return reinterpret_cast<ExitHook>(symbol);
}

__attribute__((constructor)) void on_process_attach() {
    const void* base = nullptr;
    module_instance = own_instance(&base);
    InitLib(module_instance);
    for (const char* name : kExitHookNames) {
        exit_hook = find_own_export(module_instance, base, name);
        if (exit_hook != nullptr) break;
    }
}

__attribute__((destructor)) void on_process_detach() {
    if (exit_hook != nullptr) exit_hook(module_instance);
}

}  // namespace

#endif
