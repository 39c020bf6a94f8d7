#include "designer/frame/file_checks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

namespace qrv::designer {

bool IsReservedDeviceName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static constexpr std::array<std::string_view, 10> kDevices = {
        "AUX", "COM", "COM1", "COM2", "COM3", "COM4", "PRN", "LPT1", "LPT2", "LPT3"};
    return std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end();
}

bool FileExists(std::string_view path) {
    if (path.empty() || IsReservedDeviceName(path)) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(std::string(path)), ec);
}

}  // namespace qrv::designer
