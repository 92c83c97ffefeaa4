#pragma once

#include <string>

namespace common {

// Deletes folder (a full path, with or without a separator at its end) with everything in it.
// Best effort: what cannot be deleted stays, and so do the folders holding it.
void RemoveFolder(const std::string& folder);

}  // namespace common
