// Opening a database the ways the user asks for one: through the Open
// Database dialog, or by choosing a recent entry. Both log on as the entry
// says, make the database current, and put it at the top of the recent list.
#pragma once

#include <cstddef>
#include <functional>

#include "designer/app_state.h"
#include "designer/frame/mru_list.h"
#include "designer/frame/open_database_dialog.h"

class QWidget;

namespace qrv::util {
class FileChooser;
}

namespace qrv::designer {

// Stores "SavePassword", opens the database (log-on fields count only when
// secured) and, when it opened, records it in the recent list and writes it.
bool OpenChosenDatabase(AppState& app, CMRU& mru, const OpenDatabaseChoice& choice);
// Shows the dialog, then OpenChosenDatabase; false when cancelled or failed.
// beforeOpen runs once the user has said OK, before the current database is
// closed (the windows on it close first).
bool SelectDatabaseDialog(AppState& app, CMRU& mru, util::FileChooser& chooser, QWidget* parent,
                          const std::function<void()>& beforeOpen = {});
// Opens the recent entry at index (from 0) with its stored log-on; on success
// it moves to the top of the list.
bool OpenRecentDatabase(AppState& app, CMRU& mru, std::size_t index);

}  // namespace qrv::designer
