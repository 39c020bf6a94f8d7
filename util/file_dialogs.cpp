#include "util/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace qrv::util {

QString ToQtFilter(const std::string& pipeFilter) {
    const QStringList parts = QString::fromStdString(pipeFilter).split('|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        if (name.isEmpty()) continue;
        if (i + 1 >= parts.size()) {
            out << name;
            continue;
        }
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(';', ' ');
        // Names here need no extension, so "every file" is "*", not "*.*".
        if (patterns == "*.*") patterns = "*";
        // The name already shows its patterns in brackets, as the old dialogs
        // did; Qt reads the patterns from those brackets, so they must be the
        // blank-separated list.
        const qsizetype open = name.lastIndexOf('(');
        if (open >= 0 && name.endsWith(')')) name = name.left(open).trimmed();
        out << name + " (" + patterns + ")";
    }
    return out.join(";;");
}

QString DatabaseFilters() {
    return QString(kSqliteFilterName) + ";;" + ToQtFilter(kDatabaseFilter);
}

QString WorkgroupFilters() {
    return ToQtFilter(kWorkgroupFilter) + ";;" + kSqliteFilterName;
}

std::optional<std::string> DialogFileChooser::chooseFile(QWidget* parent,
                                                         const std::string& caption,
                                                         const QString& filters,
                                                         const std::string& startPath) {
    QString start = QString::fromStdString(startPath);
    // Start in the folder of the current choice when it names an existing one.
    if (!start.isEmpty() && !QFileInfo(start).isDir()) {
        QFileInfo info(start);
        if (!info.dir().exists()) start.clear();
    }
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QString::fromStdString(caption), start, filters);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

}  // namespace qrv::util
