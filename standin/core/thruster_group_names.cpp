#include "standin/core/thruster_group_names.h"

#include <cctype>

namespace standin {

std::optional<THGROUP_TYPE> group_by_name(const std::string& name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* name;
        THGROUP_TYPE type;
    } table[] = {{"main", THGROUP_MAIN},
                 {"pitchup", THGROUP_ATT_PITCHUP},
                 {"pitchdown", THGROUP_ATT_PITCHDOWN},
                 {"yawleft", THGROUP_ATT_YAWLEFT},
                 {"yawright", THGROUP_ATT_YAWRIGHT},
                 {"bankleft", THGROUP_ATT_BANKLEFT},
                 {"bankright", THGROUP_ATT_BANKRIGHT},
                 {"forward", THGROUP_ATT_FORWARD},
                 {"translation", THGROUP_ATT_FORWARD}};
    for (const auto& row : table)
        if (n == row.name) return row.type;
    return std::nullopt;
}

std::string group_name(THGROUP_TYPE type) {
    static const char* const names[] = {"main",    "retro",    "hover",    "pitchup",   "pitchdown",
                                        "yawleft", "yawright", "bankleft", "bankright", "right",
                                        "left",    "up",       "down",     "forward",   "back"};
    const int i = static_cast<int>(type);
    if (i >= 0 && i < static_cast<int>(sizeof names / sizeof names[0])) return names[i];
    return "group" + std::to_string(i);
}

const char* group_names_help() {
    return "main, pitchup, pitchdown, yawleft, yawright, bankleft, bankright, "
           "forward (translation)";
}

}  // namespace standin
