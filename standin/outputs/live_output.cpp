#include "standin/outputs/live_output.h"

#include <memory>
#include <utility>

#include "standin/json/json_out.h"

namespace standin {

namespace {

// Each line of the text, without its newline.
template <typename Each>
void lines_of(const std::string& text, Each&& each) {
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        if (end > from) each(std::string_view(text).substr(from, end - from));
        from = end + 1;
    }
}

}  // namespace

LiveOutput::LiveOutput(std::string options_json)
    : records_(TraceSettings{"", "--live", false, 1, INFINITY, std::move(options_json)}) {}

void LiveOutput::header(const RunHeader& header) {
    records_.header(header);
    header_.clear();
    lines_of(records_.take_lines(), [&](std::string_view line) {
        if (header_.empty()) header_ = line;
    });
    tracking_ = tracking_animations(header_);
}

void LiveOutput::step(const StepSnapshot& snapshot) {
    latest_ = &snapshot;
}

void LiveOutput::event(const RunEvent& event) {
    // A plot sample's frame is not the trace's, nor the page's.
    if (event.kind == RunEvent::Kind::hud && !event.shown) return;
    records_.event(event);
    lines_of(records_.take_lines(), [&](std::string_view line) {
        if (events_.size() == kHeldEvents + kRecentEvents) events_.pop_front();
        // The trace's record with its number first: {"seq":N,"type":...
        events_.push_back("{\"seq\":" + std::to_string(++events_seen_) + ",");
        events_.back().append(line.substr(1));
    });
}

std::string LiveOutput::snapshot(double warp, bool paused, const std::vector<HudFrame>& huds) {
    std::string out;
    if (latest_ == nullptr) return out;
    const StepSnapshot& s = *latest_;
    {
        JsonOut j(out);
        j.raw("{\"type\":\"snapshot\",\"seq\":").raw(std::to_string(++snapshots_));
        j.key("t").number(s.t).key("mjd").number(s.mjd);
        j.key("warp").number(warp).key("paused").boolean(paused).key("records").raw('[');
    }
    bool first = true;
    const auto add = [&](std::string_view record) {
        if (!first) out += ',';
        first = false;
        out += record;
    };
    for (const std::string& e : events_) add(e);
    while (events_.size() > kRecentEvents) events_.pop_front();
    records_.step(s);
    lines_of(records_.take_lines(), [&](std::string_view line) {
        LeanStep lean;
        if (lean_step(line, tracking_, &lean))
            add(lean.json);
        else
            add(line);
    });
    for (std::size_t i = 0; i < huds.size(); ++i) {
        RunEvent e;
        e.kind = RunEvent::Kind::hud;
        e.t = s.t;
        e.vessel = i;
        e.hud = std::make_shared<const HudFrame>(huds[i]);
        records_.event(e);
    }
    lines_of(records_.take_lines(), add);
    out += "]}";
    return out;
}

}  // namespace standin
