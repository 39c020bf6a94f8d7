// The "&Help" button of a window, which F1 anywhere in that window presses.
#pragma once

#include <functional>

class QPushButton;
class QWidget;

namespace qrv::util {

// A button named "cmdHelp" owned by window; pressing it (or F1) calls
// showHelp when that is set.
QPushButton* MakeHelpButton(QWidget* window, std::function<void()> showHelp);

}  // namespace qrv::util
