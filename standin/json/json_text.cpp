#include "standin/json/json_text.h"

#include "standin/json/json_string.h"
#include "standin/json/latin1.h"

namespace standin {

std::string json_string(std::string_view s) {
    std::string out;
    append_json_string(out, latin1_to_utf8(std::string(s)));
    return out;
}

}  // namespace standin
