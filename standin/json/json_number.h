// Numbers written as JSON, for the host's JSON outputs.
#pragma once

#include <string>

#include "host/types.h"

namespace standin {

// The shortest text that reads back as the same double; non-finite values
// as the strings "nan", "inf" and "-inf", which JSON has no numbers for.
std::string json_number(double v);
void append_json_number(std::string& out, double v);
// Appends [x,y,z], each as append_json_number writes it.
void append_json_vector(std::string& out, const VECTOR3& v);

}  // namespace standin
