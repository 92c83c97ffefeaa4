#pragma once

#include <string>

namespace common {

// Deletes folder (a full path, with or without a separator at its end) with everything in it.
// A link inside it (a symbolic link or a junction, to a folder or a file) is removed as a link,
// never descended into, and so is folder itself when it is a link: what a link points to stays
// as it is. Best effort: what cannot be deleted stays, and so do the folders holding it.
void RemoveFolder(const std::string& folder);

}  // namespace common
