// The stand-in host's state behind its API: the vessels it knows, the
// textures it registered, the world that answers its questions and, when a
// test asks for it, the log of every host call a module makes.
//
// One Host is current at a time; the API functions the module calls reach
// it through current_host().
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "standin/core/call_log.h"
#include "standin/core/fault_schedule.h"
#include "standin/core/vessel_record.h"
#include "standin/core/world.h"
#include "standin/mesh/mesh_library.h"

namespace standin {

struct Texture {
    std::string name;
    std::filesystem::path file;  // empty when the name did not resolve
};

class Host {
public:
    // installation: the folder holding the host's meshes and textures.
    Host(World& world, std::filesystem::path installation);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    World& world() { return world_; }
    const std::filesystem::path& installation() const { return installation_; }

    // Starts recording every host call into log (null stops it).
    void record_into(CallLog* log) {
        log_ = log;
        watched_ = log_ != nullptr || faults_ != nullptr;
    }
    CallLog* log() const { return log_; }
    // Records a call; names: its arguments' names, separated by spaces.
    // Arguments by value: nothing needs an address on the path that does
    // not record.
    template <typename... Args>
    Recorded record(OBJHANDLE vessel, const char* name, const char* names, Args... args) {
        if (__builtin_expect(log_ != nullptr, 0)) {
            stamp(vessel);
            return {log_, log_->add(vessel, name, names, args...)};
        }
        return {};
    }
    // The vessel whose callback runs now: the caller of the free functions.
    void set_acting(const VesselRecord* vessel) { acting_ = vessel; }

    // The faults scheduled for the world's answers (null: none).
    void set_faults(const FaultSchedule* faults) {
        faults_ = faults;
        watched_ = log_ != nullptr || faults_ != nullptr;
    }
    // Whether anything records or a fault may be due: the step path's
    // operations check this once and otherwise just answer.
    bool watched() const { return watched_; }
    // The faults in force now (HostFault flags).
    unsigned faults() const {
        if (__builtin_expect(faults_ == nullptr, 1)) return HostFault::none;
        return faults_->at(world_.sim_time());
    }

    VesselRecord& add_vessel(std::string name, std::string class_name, int flight_model);
    void remove_vessel(OBJHANDLE vessel);
    // The record of a vessel handle; aborts on a handle the host never gave.
    VesselRecord& vessel(OBJHANDLE vessel) {
        // The handle is the record's address, handed to the module at
        // creation: every VESSEL operation comes through here, so no search.
        auto* record = reinterpret_cast<VesselRecord*>(vessel);
        if (record == nullptr || record->live_tag != VesselRecord::kLiveTag) unknown_vessel();
        return *record;
    }
    std::vector<VesselRecord*> vessels();

    // One handle per name, however often it is registered.
    SURFHANDLE register_texture(const char* name);
    const Texture* texture(SURFHANDLE h) const;
    // Names that did not resolve to a file, each reported once.
    const std::vector<std::string>& unresolved_textures() const { return unresolved_; }

    // The installation's meshes, by the names AddMesh receives.
    MeshLibrary& meshes() { return meshes_; }

    // Instances the loaded modules announced through InitLib, in order.
    std::vector<MODULEINSTANCE> announced_modules;

private:
    [[noreturn]] static void unknown_vessel();
    void stamp(OBJHANDLE vessel);

    World& world_;
    std::filesystem::path installation_;
    MeshLibrary meshes_;
    CallLog* log_ = nullptr;
    const VesselRecord* acting_ = nullptr;
    const FaultSchedule* faults_ = nullptr;
    bool watched_ = false;
    std::deque<std::unique_ptr<VesselRecord>> vessels_;
    std::deque<Texture> textures_;
    std::vector<std::string> unresolved_;
};

// The current host; a module calling the API with none is a host fault and
// ends the process with a message. For the host library's own code only:
// kept out of the library's symbol table, it is reached without a detour
// through the global offset table on every host call.
namespace detail {
#if defined(__ELF__)
extern Host* current __attribute__((visibility("hidden")));
#else
extern Host* current;
#endif
[[noreturn]] void no_current_host();
}  // namespace detail
inline Host& current_host() {
    if (detail::current == nullptr) detail::no_current_host();
    return *detail::current;
}
// The current host, or null when none runs (as while a module's own static
// objects are built at load time outside any host).
Host* current_host_if_any();

}  // namespace standin
