// Choosing a file to open. The filters are kept in the "Name|pattern|..."
// form the program has always used and turned into Qt's form when shown; the
// chooser is an interface so that tests can answer without a dialog.
#pragma once

#include <optional>
#include <string>

class QString;
class QWidget;

namespace qrv::util {

inline constexpr const char* kDatabaseFilter =
    "Access Database (*.mdb)|*.mdb|Access Library (*.mda)|*.mda|Access MDE (*.mde)|*.mde|All "
    "Files (*.*)|*.*";
inline constexpr const char* kWorkgroupFilter =
    "Access Library (*.mda;*.mdw)|*.mda;*.mdw|All Files (*.*)|*.*";
// The files this program really opens; offered first for databases.
inline constexpr const char* kSqliteFilterName = "SQLite Database (*.db *.sqlite)";

// "Name (*.a;*.b)|*.a;*.b|..." → "Name (*.a *.b);;...": one entry per
// name/pattern pair, the name's own pattern list written with blanks; "*.*"
// becomes "*". A trailing name without a pattern is kept as it is.
QString ToQtFilter(const std::string& pipeFilter);
// The Qt filters for the two kinds of file: databases with the SQLite entry
// first, workgroup files with it last.
QString DatabaseFilters();
QString WorkgroupFilters();

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(QWidget* parent, const std::string& caption,
                                                  const QString& filters,
                                                  const std::string& startPath) = 0;
};

// The desktop's open-file dialog.
class DialogFileChooser final : public FileChooser {
  public:
    std::optional<std::string> chooseFile(QWidget* parent, const std::string& caption,
                                          const QString& filters,
                                          const std::string& startPath) override;
};

}  // namespace qrv::util
