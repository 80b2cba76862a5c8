#include "standin/replay/replay_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <utility>

#include "standin/json/json_string.h"
#include "standin/replay/lean_step.h"

namespace standin {

namespace {

namespace fs = std::filesystem;

bool read_file(const fs::path& file, std::string& text, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        if (error != nullptr) *error = file.string() + ": cannot be read";
        return false;
    }
    return true;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += kDigits[v >> 6 & 63];
        out += kDigits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

// The last word of each line starting with `keyword`.
std::vector<std::string> last_words_of(const std::string& text, std::string_view keyword,
                                       bool prefix) {
    std::vector<std::string> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first, word, last;
        words >> first;
        const bool match =
            prefix ? first.compare(0, keyword.size(), keyword) == 0 : first == keyword;
        if (!match) continue;
        while (words >> word) last = word;
        if (!last.empty()) out.push_back(last);
    }
    return out;
}

// The record's type as the trace writes it, first in the object.
std::string_view record_type(std::string_view json) {
    constexpr std::string_view kType = "{\"type\":\"";
    if (json.substr(0, kType.size()) != kType) return {};
    const std::size_t end = json.find('"', kType.size());
    return end == std::string_view::npos ? std::string_view()
                                         : json.substr(kType.size(), end - kType.size());
}

// A dish turning faster than steady tracking: the Earth goes round the
// Sun-pointed vessel once a day, a state's full travel being a turn at most.
// Near the pole of its gimbal the rotation flips half a turn within a few
// 300 s steps at well under a slew's rate; the page must hold those steps,
// or it spins the dish the wrong way across a whole gap between its steps.
bool slewed(const std::vector<double>& before, const LeanStep& after, double t_before) {
    constexpr double kSlewPerSecond = 1e-4;  // [state/s], tracking 1.2e-5 to 5e-5
    const double dt = after.t - t_before;
    if (before.size() != after.tracking.size() || !(dt > 0.0)) return false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        double d = std::abs(after.tracking[i] - before[i]);
        d = std::min(d, std::abs(1.0 - d));  // the rotation wraps round
        if (d > kSlewPerSecond * dt) return true;
    }
    return false;
}

// The middle of three steps off the line through the outer two by more than
// the page may show between its steps: the dishes' tracking bends there (as
// near the pole of their gimbal), and the page must hold it.
bool bends(const std::vector<double>& first, double t_first, const std::vector<double>& middle,
           double t_middle, const LeanStep& last) {
    constexpr double kBend = 4e-5;  // [state], a tenth of the page's error over ten coast steps
    const double span = last.t - t_first;
    if (first.size() != middle.size() || middle.size() != last.tracking.size() || !(span > 0.0))
        return false;
    const double f = (t_middle - t_first) / span;
    for (std::size_t i = 0; i < middle.size(); ++i) {
        double d = last.tracking[i] - first[i];
        d -= std::round(d);  // the rotation wraps round: the short way
        double off = std::abs(first[i] + d * f - middle[i]);
        off -= std::floor(off + 0.5);
        if (std::abs(off) > kBend) return true;
    }
    return false;
}

}  // namespace

ReplayWriter::ReplayWriter(fs::path template_file, fs::path installation, std::string mesh,
                           std::size_t max_steps, std::size_t max_step_bytes)
    : template_file_(std::move(template_file)),
      installation_(std::move(installation)),
      mesh_(std::move(mesh)),
      max_steps_(std::max<std::size_t>(max_steps, 2)),
      max_step_bytes_(max_step_bytes) {}

void ReplayWriter::add(TraceRecordKind kind, double t, std::string_view json) {
    const std::size_t order = arrivals_++;
    if (kind != TraceRecordKind::step) {
        if (kind == TraceRecordKind::header) tracking_ = tracking_animations(json);
        others_.push_back({order, t, std::string(json), false});
        // The page's markers land on steps it holds: the state just before
        // a key or burn edge and just after, and the step a travel ended in.
        const std::string_view type = record_type(json);
        const bool edge = type == "key" || type == "burn";
        if ((edge || type == "travel_end") && have_pending_) pending_.essential = true;
        if (edge) next_essential_ = true;
        return;
    }
    LeanStep lean;
    if (!lean_step(json, tracking_, &lean)) lean.json = std::string(json);  // kept as it came
    Kept step{order, t, std::move(lean.json), next_essential_ || lean.thrusting};
    next_essential_ = false;
    if (have_pending_) {
        // A mechanism moved, or a dish slewed rather than tracked: keep
        // where it was and where it got to.
        if (lean.mechanisms != pending_mechanisms_ || slewed(pending_tracking_, lean, pending_.t))
            pending_.essential = step.essential = true;
        if (bends(before_tracking_, before_t_, pending_tracking_, pending_.t, lean))
            pending_.essential = true;
        before_t_ = pending_.t;
        before_tracking_ = pending_tracking_;
        commit(std::move(pending_));
    } else {
        step.essential = true;  // the start
    }
    pending_ = std::move(step);
    pending_mechanisms_ = std::move(lean.mechanisms);
    pending_tracking_ = std::move(lean.tracking);
    have_pending_ = true;
}

void ReplayWriter::commit(Kept step) {
    if (!step.essential && !steps_.empty() && step.t - steps_.back().t < spacing_) return;
    step_bytes_ += step.json.size();
    steps_.push_back(std::move(step));
    if (steps_.size() > kHeldFactor * max_steps_ || step_bytes_ > kHeldFactor * max_step_bytes_)
        thin();
}

std::vector<const ReplayWriter::Kept*> ReplayWriter::spaced(double spacing,
                                                            std::size_t* bytes) const {
    std::vector<const Kept*> kept;
    kept.reserve(steps_.size() + 1);
    *bytes = 0;
    for (const Kept& s : steps_) {
        if (s.essential || kept.empty() || s.t - kept.back()->t >= spacing) {
            *bytes += s.json.size();
            kept.push_back(&s);
        }
    }
    if (have_pending_) {
        *bytes += pending_.json.size();
        kept.push_back(&pending_);
    }
    return kept;
}

void ReplayWriter::thin() {
    // Held while the run goes on: up to kHeldFactor times the page's limits,
    // so that the page's own choice at the end can be fine.
    const std::size_t steps_limit = kHeldFactor * max_steps_;
    const std::size_t bytes_limit = kHeldFactor * max_step_bytes_;
    while (steps_.size() > steps_limit || step_bytes_ > bytes_limit) {
        const double span = steps_.back().t - steps_.front().t;
        const double mean_bytes =
            static_cast<double>(step_bytes_) / static_cast<double>(steps_.size());
        // Down to three quarters of the limits: the held spacing stays a
        // fraction of the page's, and passes stay rare.
        const double target =
            std::min(static_cast<double>(steps_limit),
                     static_cast<double>(bytes_limit) / std::max(1.0, mean_bytes)) *
            0.75;
        const double even = span / std::max(1.0, target);
        spacing_ = spacing_ > 0.0 ? std::max(spacing_ * 1.25, even) : even;
        if (!(spacing_ > 0.0)) spacing_ = 1e-9;  // every step at one time: keep few
        std::vector<Kept> kept;
        kept.reserve(steps_.size() / 2 + 1);
        std::size_t bytes = 0;
        for (Kept& s : steps_) {
            if (s.essential || kept.empty() || s.t - kept.back().t >= spacing_) {
                bytes += s.json.size();
                kept.push_back(std::move(s));
            }
        }
        const bool gained = kept.size() < steps_.size();
        steps_ = std::move(kept);
        step_bytes_ = bytes;
        // Only essential steps left, or the spacing wider than the run.
        if (!gained && spacing_ > span) return;
    }
}

std::vector<const ReplayWriter::Kept*> ReplayWriter::page_steps() const {
    std::size_t bytes = 0;
    auto within = [&](const std::vector<const Kept*>& kept) {
        return kept.size() <= max_steps_ && bytes <= max_step_bytes_;
    };
    auto kept = spaced(spacing_, &bytes);
    if (within(kept) || steps_.empty()) return kept;
    // The least spacing within both limits (fewer steps as it widens).
    double lo = spacing_, hi = std::max(spacing_, 1e-9);
    const double span = steps_.back().t - steps_.front().t;
    while (!within(spaced(hi, &bytes)) && hi <= span) hi *= 2.0;
    for (int i = 0; i < 50 && hi - lo > 1e-6 * hi; ++i) {
        const double mid = (lo + hi) / 2.0;
        if (within(spaced(mid, &bytes)))
            hi = mid;
        else
            lo = mid;
    }
    return spaced(hi, &bytes);
}

std::size_t ReplayWriter::kept_steps() const {
    return page_steps().size();
}

bool ReplayWriter::data_json(std::string& json, std::string* error) const {
    const fs::path obj_file = installation_ / "Meshes" / (mesh_ + ".obj");
    std::string obj, mtl;
    if (!read_file(obj_file, obj, error)) return false;
    const auto mtllibs = last_words_of(obj, "mtllib", false);
    const fs::path mtl_file = mtllibs.empty() ? fs::path() : obj_file.parent_path() / mtllibs[0];
    if (!mtl_file.empty() && !read_file(mtl_file, mtl, error)) return false;

    json.clear();
    json += "{\"format\":1,\"records\":[";
    // Steps and the other records back in the order they came.
    std::vector<const Kept*> records = page_steps();
    records.reserve(records.size() + others_.size());
    for (const Kept& o : others_) records.push_back(&o);
    std::sort(records.begin(), records.end(),
              [](const Kept* a, const Kept* b) { return a->order < b->order; });
    bool first = true;
    for (const Kept* r : records) {
        if (!first) json += ',';
        first = false;
        json += r->json;
    }
    json += "],\"mesh\":";
    append_json_string(json, mesh_);
    json += ",\"obj\":";
    append_json_string(json, obj);
    json += ",\"mtl\":";
    append_json_string(json, mtl);
    json += ",\"textures\":{";
    first = true;
    std::vector<std::string> seen;
    for (const std::string& name : last_words_of(mtl, "map_", true)) {
        const std::string base = fs::path(name).filename().string();
        if (std::find(seen.begin(), seen.end(), base) != seen.end()) continue;
        seen.push_back(base);
        // A texture the installation lacks is left out: the page draws the
        // surface plain, as the host does.
        std::string bytes;
        const fs::path beside = obj_file.parent_path() / name;
        const fs::path shared = installation_ / "Textures" / base;
        std::error_code ec;
        const fs::path found = fs::is_regular_file(beside, ec) ? beside : shared;
        if (!fs::is_regular_file(found, ec) || !read_file(found, bytes, nullptr)) continue;
        if (!first) json += ',';
        first = false;
        append_json_string(json, base);
        json += ':';
        append_json_string(json, base64(bytes));
    }
    json += "}}";
    // Outside strings JSON holds no '<'; inside them \u003c reads back the same.
    std::string escaped;
    escaped.reserve(json.size() + json.size() / 64);
    for (const char c : json) {
        if (c == '<')
            escaped += "\\u003c";
        else
            escaped += c;
    }
    json = std::move(escaped);
    return true;
}

bool ReplayWriter::page(std::string& page, std::string* error, bool live) const {
    if (!read_file(template_file_, page, error)) return false;
    const std::size_t at = page.find(kReplayDataPlaceholder);
    if (at == std::string::npos ||
        page.find(kReplayDataPlaceholder, at + kReplayDataPlaceholder.size()) !=
            std::string::npos) {
        if (error != nullptr)
            *error = template_file_.string() + ": is not a replay template (it must hold " +
                     std::string(kReplayDataPlaceholder) + " exactly once)";
        return false;
    }
    std::string data;
    if (!data_json(data, error)) return false;
    if (live) data.insert(1, "\"live\":true,");
    page.replace(at, kReplayDataPlaceholder.size(), data);
    return true;
}

bool ReplayWriter::write(const fs::path& out, std::string* error) const {
    auto fail = [error](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return false;
    };
    std::string page;
    if (!this->page(page, error)) return false;

    fs::path temporary = out;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(page.data(), static_cast<std::streamsize>(page.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fail(out.string() + ": cannot be written");
        }
    }
    std::error_code ec;
    fs::rename(temporary, out, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return fail(out.string() + ": cannot be written (" + ec.message() + ")");
    }
    return true;
}

}  // namespace standin
