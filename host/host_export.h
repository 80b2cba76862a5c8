// Marks what the host program exports to the vessel modules it loads.
//
// The host defines these symbols; a module only imports them. On ELF the
// module leaves them undefined and the dynamic linker binds them to the
// host's copies at load time; on Windows the module links against the host's
// import library.
#pragma once

#if defined(_WIN32)
#if defined(ZENTHAR_HOST_BUILD)
#define HOSTAPI __declspec(dllexport)
#else
#define HOSTAPI __declspec(dllimport)
#endif
#else
#define HOSTAPI __attribute__((visibility("default")))
#endif
