// Whether a name typed or chosen for a database or workgroup file names a
// file that is there.
#pragma once

#include <string_view>

namespace qrv::designer {

// "AUX", "COM", "COM1".."COM4", "PRN", "LPT1".."LPT3", in any case, alone or
// with an extension ("com1.txt"), as the last part of a path. Such names
// reach a device, never a database, on the systems that have them.
bool IsReservedDeviceName(std::string_view path);
// False for an empty name, a device name, a folder, or nothing there.
bool FileExists(std::string_view path);

}  // namespace qrv::designer
