#include "standin/run/options_json.h"

#include "standin/core/thruster_group_names.h"
#include "standin/json/json_out.h"
#include "standin/json/latin1.h"
#include "standin/run/fault_spec.h"

namespace standin {

std::string options_json(const Options& o) {
    std::string text;
    JsonOut j(text);
    j.raw('{').key("scenario", false).string(name_to_utf8(o.scenario));
    j.key("dt").number(o.dt);
    j.key("until");
    if (o.until)
        j.number(*o.until);
    else
        j.raw("null");
    j.key("keys").raw('[');
    for (std::size_t i = 0; i < o.keys.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.keys[i].time);
        j.key("key").string(o.keys[i].key.text).raw('}');
    }
    j.raw(']').key("burns").raw('[');
    for (std::size_t i = 0; i < o.burns.size(); ++i) {
        const BurnCommand& b = o.burns[i];
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(b.time).key("duration").number(b.duration);
        j.key("group").string(group_name(b.group)).key("level").number(b.level).raw('}');
    }
    j.raw(']').key("hud").raw('[').integer(o.hud_width).raw(',').integer(o.hud_height).raw(']');
    j.key("hud_at").raw('[');
    for (std::size_t i = 0; i < o.hud_at.size(); ++i) (i ? j.raw(',') : j).number(o.hud_at[i]);
    j.raw(']').key("hud_every");
    if (o.hud_every)
        j.number(*o.hud_every);
    else
        j.raw("null");
    j.key("save").string(name_to_utf8(o.save)).key("trace").string(name_to_utf8(o.trace));
    j.key("trace_every").integer(o.trace_every);
    j.key("trace_lines_every").integer(o.trace_lines_every);
    j.key("summary").string(name_to_utf8(o.summary)).key("svg").string(name_to_utf8(o.svg));
    j.key("calls").string(name_to_utf8(o.calls)).key("faults").raw('[');
    for (std::size_t i = 0; i < o.faults.size(); ++i) {
        const FaultWindow& f = o.faults[i];
        if (i) j.raw(',');
        j.raw('{').key("from", false).number(f.from).key("to").number(f.to);
        j.key("kind").string(fault_name(f.kind)).raw('}');
    }
    j.raw(']').key("warps").raw('[');
    for (std::size_t i = 0; i < o.warps.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.warps[i].time).key("dt").number(o.warps[i].dt);
        j.raw('}');
    }
    j.raw(']').key("attitudes").raw('[');
    for (std::size_t i = 0; i < o.attitudes.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.attitudes[i].time);
        j.key("mode").string(attitude_mode_name(o.attitudes[i].mode)).raw('}');
    }
    j.raw(']').key("relocate");
    if (o.relocate)
        j.raw('{')
            .key("t", false)
            .number(o.relocate->time)
            .key("lon_deg")
            .number(o.relocate->target_lon)
            .key("orbits")
            .integer(o.relocate->orbits)
            .raw('}');
    else
        j.raw("null");
    j.key("keep_station");
    if (o.keep_station)
        j.raw('{')
            .key("lon_deg", false)
            .number(o.keep_station->lon)
            .key("halfwidth_deg")
            .number(o.keep_station->halfwidth)
            .key("ns")
            .boolean(o.keep_station->ns)
            .raw('}');
    else
        j.raw("null");
    j.key("hold").boolean(o.attitude_hold).key("modules").string(name_to_utf8(o.modules));
    j.key("config").string(name_to_utf8(o.config)).raw('}');
    j.flush();
    return text;
}

}  // namespace standin
