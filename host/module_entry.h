// The entry points of a vessel module, declared once for both sides: the
// module defines them against these declarations and the host takes its
// function types from them, so the two cannot drift apart.
//
// A module exports exactly these four, with plain C names and the
// platform's default calling convention. On ELF the module's export list
// (module/exports.map) must name every symbol marked here as well.
#pragma once

#include "host_export.h"
#include "types.h"

class VESSEL;

#if defined(_WIN32)
#define MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The host interface version the module was built against; 0 while the
// host could not convert the module's interface date.
MODULE_EXPORT int GetModuleVersion();

// The module's build date, in the compiler's date form ("Dec 18 2018").
MODULE_EXPORT const char* ModuleDate();

// Creates the module's object for one vessel of its class; the host keeps
// the answer until it hands it back to zvcExit.
MODULE_EXPORT VESSEL* zvcInit(OBJHANDLE vessel, int flight_model);

// Destroys an object made by zvcInit; null does nothing.
MODULE_EXPORT void zvcExit(VESSEL* vessel);

// An optional exit hook: at load a module looks these names up among its
// own exports, in this order, keeps the first it finds and calls it with
// its instance at unload.
using ModuleExitHook = void (*)(MODULEINSTANCE instance);
inline constexpr const char* kExitHookNames[] = {"ExitModule", "zpcDLLExit"};
