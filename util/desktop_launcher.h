// Handing a file or a web page to the desktop (the user's browser, viewer or
// editor). An interface, so that tests record what would have been opened.
#pragma once

#include <string>

namespace qrv::util {

class DesktopLauncher {
  public:
    virtual ~DesktopLauncher() = default;
    // False when the desktop could not open it.
    virtual bool openFile(const std::string& path) = 0;
    virtual bool openUrl(const std::string& url) = 0;
};

// Through QDesktopServices.
class SystemDesktopLauncher final : public DesktopLauncher {
  public:
    bool openFile(const std::string& path) override;
    bool openUrl(const std::string& url) override;
};

}  // namespace qrv::util
