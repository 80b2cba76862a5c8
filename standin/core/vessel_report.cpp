#include "standin/core/vessel_report.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "standin/core/standin_constants.h"
#include "standin/mesh/mesh.h"

// mingw-w64 builds the host with C99 printf (__USE_MINGW_ANSI_STDIO), whose
// formats GCC checks as gnu_printf there; plain printf means msvcrt's.
#if defined(__MINGW32__)
#define KRV_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define KRV_PRINTF_FORMAT printf
#endif

namespace standin {

namespace {

class Text {
public:
    // printf-style; long lines are fine, the buffer grows.
    __attribute__((format(KRV_PRINTF_FORMAT, 2, 3))) void line(const char* format, ...) {
        va_list args;
        va_start(args, format);
        va_list again;
        va_copy(again, args);
        const int n = std::vsnprintf(nullptr, 0, format, args);
        va_end(args);
        if (n > 0) {
            std::string piece(static_cast<std::size_t>(n) + 1, '\0');
            std::vsnprintf(piece.data(), piece.size(), format, again);
            piece.resize(static_cast<std::size_t>(n));
            out_ += piece;
        }
        va_end(again);
        out_ += '\n';
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

std::string vec(const VECTOR3& v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%g, %g, %g)", v.x, v.y, v.z);
    return buf;
}

std::string opt(const std::optional<double>& v, const char* unit) {
    if (!v) return "not set";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g%s", *v, unit);
    return buf;
}

std::string opt(const std::optional<VECTOR3>& v, const char* unit) {
    return v ? vec(*v) + unit : "not set";
}

const char* group_role(THGROUP_TYPE type) {
    switch (type) {
        case THGROUP_MAIN:
            return "main";
        case THGROUP_RETRO:
            return "retro";
        case THGROUP_HOVER:
            return "hover";
        case THGROUP_ATT_PITCHUP:
            return "pitch up";
        case THGROUP_ATT_PITCHDOWN:
            return "pitch down";
        case THGROUP_ATT_YAWLEFT:
            return "yaw left";
        case THGROUP_ATT_YAWRIGHT:
            return "yaw right";
        case THGROUP_ATT_BANKLEFT:
            return "bank left";
        case THGROUP_ATT_BANKRIGHT:
            return "bank right";
        case THGROUP_ATT_RIGHT:
            return "translate right";
        case THGROUP_ATT_LEFT:
            return "translate left";
        case THGROUP_ATT_UP:
            return "translate up";
        case THGROUP_ATT_DOWN:
            return "translate down";
        case THGROUP_ATT_FORWARD:
            return "translate forward";
        case THGROUP_ATT_BACK:
            return "translate back";
        case THGROUP_USER:
            return "user";
    }
    return "unknown";
}

template <typename T>
long index_in(const std::deque<T>& items, const T* item) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (&items[i] == item) return static_cast<long>(i);
    return -1;
}

std::string thruster_name(const VesselRecord& v, const Thruster* t) {
    const long i = index_in(v.thrusters, t);
    return i < 0 ? std::string("?") : std::to_string(i);
}

std::string texture_name(const Host& host, SURFHANDLE h) {
    if (h == nullptr) return "none";
    const Texture* t = host.texture(h);
    if (t == nullptr) return "unknown";
    return "\"" + t->name + "\"" + (t->file.empty() ? " (unresolved)" : "");
}

void describe_transform(Text& text, const VesselRecord& v, std::size_t index,
                        const AnimationComponent& c) {
    const long parent = c.parent != nullptr ? index_in(v.components, c.parent) : -1;
    const std::string parent_text =
        c.parent == nullptr ? "none" : (parent < 0 ? "?" : std::to_string(parent));
    const MGROUP_TRANSFORM* t = c.transform;
    if (t == nullptr) {
        text.line("  %2zu  animation %u, no transform", index, c.animation);
        return;
    }
    std::string groups;
    for (std::uint32_t i = 0; t->groups != nullptr && i < t->group_count; ++i)
        groups += " " + std::to_string(t->groups[i]);
    if (groups.empty()) groups = " none";
    if (t->Kind() == 1) {
        const auto& r = static_cast<const MGROUP_ROTATE&>(*t);
        text.line(
            "  %2zu  animation %u, states %g..%g, parent %s: turns mesh %u groups%s about %s "
            "through %s by %g deg",
            index, c.animation, c.state0, c.state1, parent_text.c_str(), t->mesh, groups.c_str(),
            vec(r.axis).c_str(), vec(r.ref).c_str(), static_cast<double>(r.angle) * kDegPerRad);
    } else {
        text.line(
            "  %2zu  animation %u, states %g..%g, parent %s: transform of kind %d, mesh %u "
            "groups%s",
            index, c.animation, c.state0, c.state1, parent_text.c_str(), t->Kind(), t->mesh,
            groups.c_str());
    }
}

}  // namespace

std::string vessel_report(const Host& host, const VesselRecord& v) {
    Text text;
    text.line("Vessel %s, class %s, flight model %d", v.name.c_str(), v.class_name.c_str(),
              v.flight_model);
    text.line("  size %s, empty mass %s, total mass %g kg", opt(v.size, " m").c_str(),
              opt(v.empty_mass, " kg").c_str(), v.total_mass());
    if (v.cw)
        text.line("  drag coefficients (z+, z-, x, y): %g, %g, %g, %g", (*v.cw)[0], (*v.cw)[1],
                  (*v.cw)[2], (*v.cw)[3]);
    else
        text.line("  drag coefficients: not set");
    text.line("  rotational drag %s", opt(v.rot_drag, "").c_str());
    text.line("  principal moments of inertia %s", opt(v.pmi, " m^2").c_str());
    text.line("  cross sections %s", opt(v.cross_sections, " m^2").c_str());
    text.line("  pitch moment scale %s, bank moment scale %s, trim scale %s",
              opt(v.pitch_moment_scale, "").c_str(), opt(v.bank_moment_scale, "").c_str(),
              opt(v.trim_scale, "").c_str());
    text.line("  camera offset %s", opt(v.camera_offset, " m").c_str());
    std::string touchdown;
    for (const VECTOR3& p : v.touchdown_points) touchdown += " " + vec(p);
    text.line("  touchdown points%s", touchdown.empty() ? " not set" : touchdown.c_str());

    text.line("Meshes (%zu)", v.meshes.size());
    for (std::size_t i = 0; i < v.meshes.size(); ++i) {
        const MeshUse& m = v.meshes[i];
        const std::string offset = m.offset ? "offset " + vec(*m.offset) : "no offset";
        if (m.geometry != nullptr)
            text.line("  %2zu  \"%s\", %s, visibility mode %u, %zu groups", i, m.name.c_str(),
                      offset.c_str(), m.visibility, m.geometry->groups.size());
        else
            text.line("  %2zu  \"%s\", %s, visibility mode %u, no file in the installation", i,
                      m.name.c_str(), offset.c_str(), m.visibility);
    }

    text.line("Propellant tanks (%zu)", v.tanks.size());
    for (std::size_t i = 0; i < v.tanks.size(); ++i)
        text.line("  %2zu  %g of %g kg, efficiency %g", i, v.tanks[i].mass, v.tanks[i].max_mass,
                  v.tanks[i].efficiency);

    text.line("Thrusters (%zu)", v.thrusters.size());
    for (std::size_t i = 0; i < v.thrusters.size(); ++i) {
        const Thruster& t = v.thrusters[i];
        const long tank = t.tank != nullptr ? index_in(v.tanks, t.tank) : -1;
        text.line("  %2zu  at %s m toward %s, %g N, tank %s, isp %g m/s, isp_ref %g, p_ref %g", i,
                  vec(t.pos).c_str(), vec(t.dir).c_str(), t.max_thrust,
                  tank < 0 ? "none" : std::to_string(tank).c_str(), t.isp, t.isp_ref, t.p_ref);
    }

    text.line("Thruster groups (%zu)", v.groups.size());
    for (std::size_t i = 0; i < v.groups.size(); ++i) {
        const ThrusterGroup& g = v.groups[i];
        std::string members;
        for (const Thruster* t : g.thrusters) members += " " + thruster_name(v, t);
        text.line("  %2zu  type %d (%s): thrusters%s", i, static_cast<int>(g.type),
                  group_role(g.type), members.empty() ? " none" : members.c_str());
    }

    text.line("Exhaust plumes (%zu)", v.exhausts.size());
    for (std::size_t i = 0; i < v.exhausts.size(); ++i) {
        const Exhaust& e = v.exhausts[i];
        text.line("  %2zu  thruster %s, length %g m, width %g m, at %s toward %s, texture %s", i,
                  e.thruster != nullptr ? thruster_name(v, e.thruster).c_str() : "none", e.length,
                  e.width, vec(e.pos).c_str(), vec(e.dir).c_str(),
                  texture_name(host, e.texture).c_str());
    }

    text.line("Animations (%zu)", v.animations.size());
    for (std::size_t i = 0; i < v.animations.size(); ++i) {
        std::string parts;
        for (const AnimationComponent* c : v.animations[i].components)
            parts += " " + std::to_string(index_in(v.components, c));
        text.line("  %2zu  state %g, components%s", i, v.animations[i].state,
                  parts.empty() ? " none" : parts.c_str());
    }
    text.line("Animation components (%zu)", v.components.size());
    for (std::size_t i = 0; i < v.components.size(); ++i)
        describe_transform(text, v, i, v.components[i]);
    return text.take();
}

}  // namespace standin
