// Names that behave as on a case-insensitive file system.
#pragma once

#include <string>

namespace skyvane::platform {

// The path as given when it exists; otherwise the path found by matching each
// component without regard to ASCII letter case (an exact match wins, then the
// first match in byte order). A component that matches nothing is kept as given,
// and so is the rest of the path.
std::string ResolvePathIgnoringCase(const std::string& path);

}  // namespace skyvane::platform
