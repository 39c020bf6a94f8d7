#include "designer/frame/logon_tag.h"

#include "designer/frame/command_args.h"

namespace qrv::designer {

std::string BuildLogonTag(const LogonInfo& info, bool savePassword) {
    return "/WG " + EscapeSwitchValue(info.workgroup) + "/UID " + EscapeSwitchValue(info.user) +
           "/PWD " + (savePassword ? EscapeSwitchValue(info.password) : std::string());
}

LogonInfo ParseLogonTag(std::string_view tag) {
    const CCommandArgs args(tag, '/');
    return {args.Value("WG"), args.Value("UID"), args.Value("PWD")};
}

}  // namespace qrv::designer
