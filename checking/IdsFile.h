#pragma once
// The file of the message ids seen per account, beside the program: read whole, and replaced whole
// so that a crash never leaves it half written.
#include <string>

#include "checking/portable/SeenIds.h"

namespace checking {

// Nothing recorded when the file does not exist yet; a file that cannot be read raises.
SeenIds LoadSeenIds(const std::string& path);
// A file that cannot be written raises with its path, and on a second line the reason.
void StoreSeenIds(const std::string& path, const SeenIds& ids);

}  // namespace checking
