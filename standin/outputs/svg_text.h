// Text made safe for an SVG document.
#pragma once

#include <string>

namespace standin {

// Escapes the XML specials of UTF-8 text; control characters XML cannot
// hold become U+FFFD.
std::string xml_escaped(const std::string& utf8);

}  // namespace standin
