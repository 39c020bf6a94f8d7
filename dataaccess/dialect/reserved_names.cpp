// The rules on reserved names (see reserved_names.h).
#include "dataaccess/dialect/reserved_names.h"

#include <sqlite3.h>

#include "dataaccess/fold.h"

namespace qrv::dao::detail {

bool isSystemTable(std::string_view name) {
    return iequal(name, kPasswordTable) || iequal(name, kAccountsTable);
}

bool isInternalTable(std::string_view name) {
    auto startsWith = [name](std::string_view prefix) {
        return name.size() >= prefix.size() && iequal(name.substr(0, prefix.size()), prefix);
    };
    // SQLite reserves its prefix; its table-valued functions are found under
    // their own names in every schema.
    for (std::string_view f : {"dbstat", "json_each", "json_tree"})
        if (iequal(name, f)) return true;
    return isSystemTable(name) || iequal(name, kCatalogTable) || startsWith("sqlite_") ||
           startsWith("pragma_");
}

bool isWorkingTableName(std::string_view name) {
    return name.size() >= kWorkingPrefix.size() &&
           iequal(name.substr(0, kWorkingPrefix.size()), kWorkingPrefix);
}

bool isScenarioTable(std::string_view name) {
    for (std::string_view t :
         {"usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"})
        if (iequal(name, t)) return true;
    return false;
}

Error checkMadeTableName(std::string_view name) {
    if (isWorkingTableName(name)) {
        std::string text(1, '\'');
        text.append(name).append("' isn't a valid name: names starting with ");
        text.append(kWorkingPrefix).append(" belong to the tables a run is writing.");
        return makeError(3125, std::move(text));
    }
    return checkDesignChange(name);
}

Error checkDesignChange(std::string_view table) {
    if (!isScenarioTable(table)) return {};
    std::string text(1, '\'');
    text.append(table).append(
        "' is a scenario table; its design cannot be made, changed or dropped by SQL. Remove "
        "scenarios with quorvane delete (quorvane init makes the scenario tables); their rows "
        "may be edited by SQL.");
    return makeError(3111, std::move(text));
}

Error refusalError(int action, const std::string& t) {
    switch (action) {
        case SQLITE_READ:
            return makeError(3112, "Record(s) can't be read; no read permission on '" + t + "'.");
        case SQLITE_INSERT:
            return makeError(3107,
                             "Record(s) can't be added; no insert data permission on '" + t + "'.");
        case SQLITE_UPDATE:
            return makeError(
                3108, "Record(s) can't be edited; no update data permission on '" + t + "'.");
        case SQLITE_DELETE:
            return makeError(
                3109, "Record(s) can't be deleted; no delete data permission on '" + t + "'.");
        default:
            return makeError(3111,
                             "Couldn't create; no modify design permission for table or "
                             "query '" +
                                 t + "'.");
    }
}

}  // namespace qrv::dao::detail
