// Numbers as the programs' command lines take them: whole words, nothing before or after.
#pragma once

#include <string>

namespace common {

// A whole decimal integer, nothing before or after it; false on overflow.
bool ParseWholeNumber(const std::string& text, long* value);

// A plain decimal number ("-0.5", "2", "1e3"): no hexadecimal, "inf" or "nan", nothing around it;
// false outside float's range.
bool ParsePlainNumber(const std::string& text, float* value);

}  // namespace common
