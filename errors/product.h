// Product identity: the name shown in titles and error reports and the version
// written into them. Kept here because the error handler is the lowest layer that
// needs it and every other part of the program may include this folder.
#pragma once

#include <string_view>

namespace qrv {

inline constexpr std::string_view kProductName = "Quorvane";
// major.minor.revision
inline constexpr std::string_view kProductVersion = "5.0.0";

}  // namespace qrv
