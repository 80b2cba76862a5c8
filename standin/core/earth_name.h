// The one body name the host's world answers for itself.
#pragma once

namespace standin {

// "Earth", compared in line: every step looks it up twice, and a call out
// to strcmp costs more than the comparison. Reads no further than the
// first difference.
inline bool is_earth_name(const char* name) {
    return name != nullptr && name[0] == 'E' && name[1] == 'a' && name[2] == 'r' &&
           name[3] == 't' && name[4] == 'h' && name[5] == '\0';
}

}  // namespace standin
