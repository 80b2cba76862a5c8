#include "standin/core/host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace standin {

namespace {

[[noreturn]] void host_fault(const char* what) {
    std::fprintf(stderr, "stand-in host: %s\n", what);
    std::abort();
}

}  // namespace

Host::Host(World& world, std::filesystem::path installation)
    : world_(world), installation_(std::move(installation)), meshes_(installation_) {
    if (detail::current != nullptr) host_fault("a second host was started while one is current");
    detail::current = this;
}

Host::~Host() {
    if (detail::current == this) detail::current = nullptr;
}

namespace detail {

Host* current = nullptr;

void no_current_host() {
    host_fault("a module called the host API with no host running");
}

}  // namespace detail

Host* current_host_if_any() {
    return detail::current;
}

void Host::stamp(OBJHANDLE vessel) {
    const VesselRecord* record = acting_;
    // Outside a callback the vessel acted on names the caller; a handle
    // the host never gave is looked up, not read.
    for (std::size_t i = 0; record == nullptr && vessel != nullptr && i < vessels_.size(); ++i)
        if (vessels_[i]->handle() == vessel) record = vessels_[i].get();
    log_->stamp(world_.sim_time(),
                record != nullptr ? std::string_view(record->name) : std::string_view());
}

VesselRecord& Host::add_vessel(std::string name, std::string class_name, int flight_model) {
    auto record = std::make_unique<VesselRecord>();
    record->name = std::move(name);
    record->class_name = std::move(class_name);
    record->flight_model = flight_model;
    vessels_.push_back(std::move(record));
    world_.vessel_added(*vessels_.back());
    return *vessels_.back();
}

void Host::remove_vessel(OBJHANDLE vessel) {
    auto it = std::find_if(vessels_.begin(), vessels_.end(),
                           [vessel](const auto& r) { return r->handle() == vessel; });
    if (it == vessels_.end()) return;
    world_.vessel_removed(**it);
    (*it)->live_tag = 0;
    vessels_.erase(it);
}

void Host::unknown_vessel() {
    host_fault("a module named a vessel the host does not know");
}

std::vector<VesselRecord*> Host::vessels() {
    std::vector<VesselRecord*> out;
    for (auto& r : vessels_) out.push_back(r.get());
    return out;
}

SURFHANDLE Host::register_texture(const char* name) {
    const std::string wanted = name != nullptr ? name : "";
    // Every vessel of a class registers the same textures in its set-up: a
    // name already known keeps its handle, so that a host that creates and
    // removes vessels for a long time does not grow a table per vessel.
    for (auto& known : textures_)
        if (known.name == wanted) return reinterpret_cast<SURFHANDLE>(&known);
    Texture t{wanted, {}};
    // Textures live in the installation's Textures folder, in any of the
    // image formats the host reads.
    for (const char* ext : {".png", ".dds", ".bmp"}) {
        const auto file = installation_ / "Textures" / (wanted + ext);
        if (!wanted.empty() && std::filesystem::is_regular_file(file)) {
            t.file = file;
            break;
        }
    }
    if (t.file.empty()) {
        unresolved_.push_back(wanted);
        std::fprintf(stderr,
                     "stand-in host: texture \"%s\" not found in %s; plumes drawn without it\n",
                     wanted.c_str(), (installation_ / "Textures").string().c_str());
    }
    textures_.push_back(std::move(t));
    return reinterpret_cast<SURFHANDLE>(&textures_.back());
}

const Texture* Host::texture(SURFHANDLE h) const {
    for (const auto& t : textures_)
        if (reinterpret_cast<SURFHANDLE>(const_cast<Texture*>(&t)) == h) return &t;
    return nullptr;
}

}  // namespace standin
