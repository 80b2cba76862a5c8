// The four functions through which the host identifies the module and
// creates and destroys its vessels.
#include <cstdint>
#include <cstring>

#include "host/module_entry.h"
#include "host/zenthar.h"
#include "vessel/krv.h"

namespace {

// 0 until the host has given a non-zero answer.
std::int32_t version_cache = 0;

// The host interface this module was built against, in the compiler's date
// form; the host converts it to a version number.
constexpr char kInterfaceDate[] = "Aug 28 2016";

constexpr char kBuildDate[] = "Dec 18 2018";

}  // namespace

MODULE_EXPORT int GetModuleVersion() {
    if (version_cache == 0) {
        // Date2Int takes a modifiable text; hand it a copy, not the constant.
        char date[sizeof kInterfaceDate];
        std::memcpy(date, kInterfaceDate, sizeof date);
        version_cache = Date2Int(date);
    }
    return version_cache;
}

MODULE_EXPORT const char* ModuleDate() {
    return kBuildDate;
}

MODULE_EXPORT VESSEL* zvcInit(OBJHANDLE vessel, int flight_model) {
    return new krv(vessel, flight_model);
}

MODULE_EXPORT void zvcExit(VESSEL* vessel) {
    // VESSEL has no virtual destructor: destroy the object as what it is.
    if (vessel != nullptr) delete static_cast<krv*>(vessel);
}
