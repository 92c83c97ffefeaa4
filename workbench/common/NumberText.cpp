#include "workbench/common/NumberText.h"

#include <ctype.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>

namespace common {

bool ParseWholeNumber(const std::string& text, long* value) {
    if (text.empty() || isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    *value = strtol(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

bool ParsePlainNumber(const std::string& text, float* value) {
    if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
    char* end = nullptr;
    errno = 0;
    *value = strtof(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && isfinite(*value);
}

bool ParsePushDistance(const std::string& text, float* value, std::string* error) {
    float d = 0.0f;
    if (!ParsePlainNumber(text, &d) || fabsf(d) > kMaxPushDistance) {
        *error = "--distance must be a number between -1000000 and 1000000, got \"" + text + "\"";
        return false;
    }
    *value = d;
    return true;
}

}  // namespace common
