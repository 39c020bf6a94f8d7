// The Open Database dialog: which database to analyse, from the recent list
// or a file dialog, and, for a secured database, the workgroup file, user and
// password to log on with. OK checks that the files are there.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "designer/frame/mru_list.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qrv {
class Prompter;
namespace util {
class FileChooser;
}
}  // namespace qrv

namespace qrv::designer {

struct OpenDatabaseChoice {
    std::string database;
    bool secured = false;
    std::string workgroup;  // as typed; callers ignore it unless secured
    std::string user;
    std::string password;
    bool savePassword = false;
};

class OpenDatabaseDialog final : public QDialog {
    Q_OBJECT
  public:
    OpenDatabaseDialog(const std::vector<CMRU::Entry>& recent, bool savePassword,
                       util::FileChooser& chooser, Prompter& prompter, QWidget* parent = nullptr);

    // What OK does: checks the files, tells the user what is missing and puts
    // the focus back where it was wrong, or accepts the dialog.
    bool tryAccept();
    OpenDatabaseChoice choice() const;
    // The log-on of the recent entry at that place fills the fields.
    void chooseRecent(int index);
    // The database text changed: the log-on follows a recent entry of that
    // path, and one filled from another entry is cleared.
    void pathEdited(const QString& text);
    void browseDatabase();
    void browseWorkgroup();

  private:
    void updateEnabled();
    std::vector<CMRU::Entry> recent_;
    int logonFrom_ = -1;  // the recent entry whose log-on the fields hold
    util::FileChooser& chooser_;
    Prompter& prompter_;
    QComboBox* database_;
    QCheckBox* secured_;
    QLabel* workgroupLabel_;
    QLineEdit* workgroup_;
    QPushButton* browseWorkgroup_;
    QLabel* userLabel_;
    QLineEdit* user_;
    QLabel* passwordLabel_;
    QLineEdit* password_;
    QCheckBox* savePassword_;
};

// The message for a file that is not there; kind is "database" or
// "workgroup database".
std::string NotFoundMessage(const std::string& kind, const std::string& path);

}  // namespace qrv::designer
