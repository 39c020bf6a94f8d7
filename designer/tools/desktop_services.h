// Handing a file or an address to the desktop: the text editor for a file,
// the mail program for a mailto: address, the browser for a web page. Behind
// an interface so that tests can record what would have been opened.
#pragma once

#include <QUrl>

namespace qrv::designer::tools {

class DesktopServices {
  public:
    virtual ~DesktopServices() = default;
    // False when the desktop has nothing to open the address with.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The real desktop (QDesktopServices).
class SystemDesktopServices final : public DesktopServices {
  public:
    bool openUrl(const QUrl& url) override;
};

}  // namespace qrv::designer::tools
