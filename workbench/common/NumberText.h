// Numbers as the programs' command lines take them: whole words, nothing before or after.
#pragma once

#include <string>

namespace common {

// A whole decimal integer, nothing before or after it; false on overflow.
bool ParseWholeNumber(const std::string& text, long* value);

// A plain decimal number ("-0.5", "2", "1e3"): no hexadecimal, "inf" or "nan", nothing around it;
// false outside float's range.
bool ParsePlainNumber(const std::string& text, float* value);

// The largest push either program's --distance takes, either way.
constexpr float kMaxPushDistance = 1.0e6f;

// The value of --distance, as the workbench and the baking command both take it: a plain number
// within kMaxPushDistance either way. False with *error naming the option and the value.
bool ParsePushDistance(const std::string& text, float* value, std::string* error);

}  // namespace common
