// Internal: path and header checks and the journal mode of opened files,
// without ever opening a database file by a descriptor of our own.
#include "dataaccess/objects/file_open.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

unsigned readBE(const unsigned char* p, int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

Error notValidPath(const std::string& path) {
    return makeError(err::kNotValidPath,
                     "'" + path +
                         "' isn't a valid path. Make sure that the path name is spelled "
                         "correctly and that you are connected to the server on which the file "
                         "resides.");
}

Error unrecognized(const std::string& path) {
    return makeError(err::kUnrecognizedFormat, "Unrecognized database format '" + path + "'.");
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether files can be made beside path: a read-only mount refuses even a
// privileged user, which access() alone would not tell for a folder.
bool folderWritable(const std::string& path) {
    const std::string folder = folderOf(path);
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) return false;
    return ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

Error checkDatabasePath(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        if (!path.empty() && errno != ENOENT && errno != ENOTDIR) return notValidPath(path);
        return makeError(err::kFileNotFound, "Could not find file '" + path + "'.");
    }
    if (S_ISDIR(st.st_mode)) return notValidPath(path);
    return {};
}

Result<FileHeader> readHeader(Connection& c, const std::string& schema, const std::string& path) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(c.db, schema.c_str(), SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr)
        return makeError(err::kCannotOpen, "The database engine cannot open the file '" + path +
                                               "'. It is already opened exclusively by another "
                                               "user, or you need permission to view its data.");
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK || size < 100)
        return unrecognized(path);
    unsigned char h[100] = {};
    if (file->pMethods->xRead(file, h, sizeof h, 0) != SQLITE_OK) return unrecognized(path);
    if (std::memcmp(h, "SQLite format 3\0", 16) != 0) return unrecognized(path);
    unsigned pageSize = readBE(h + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return damagedFile(path);
    // The page count in the header is not checked against the file's size:
    // while the file is in use, or after a write that ran out of space, the
    // newest pages legitimately live in the log. SQLite checks it with the log.
    FileHeader out;
    out.writeAheadLog = h[18] == 2 && h[19] == 2;
    return out;
}

bool fileWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::access(path.c_str(), W_OK) == 0;
}

bool readAsImmutable(const std::string& path, const FileHeader& header) {
    if (!header.writeAheadLog || exists(path + "-wal")) return false;
    return !folderWritable(path) && !exists(path + "-shm");
}

std::string immutableUri(const std::string& path) {
    std::string uri = "file:";
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char ch : path) {
        if (ch == '?' || ch == '#' || ch == '%' || ch < 0x20) {
            uri += '%';
            uri += hex[ch >> 4];
            uri += hex[ch & 15];
        } else {
            uri += static_cast<char>(ch);
        }
    }
    return uri + "?immutable=1";
}

void useWriteAheadLog(Connection& c) {
    // A reader of another program holding the file in its rollback journal
    // would keep the switch waiting; a short wait, then the file is used in the
    // mode it has. The caller sets its own busy handler afterwards.
    sqlite3_busy_timeout(c.db, 1000);
    SystemAccess access(c);
    sqlite3_exec(c.db, "PRAGMA main.journal_mode=WAL", nullptr, nullptr, nullptr);
}

void returnToRollbackJournal(Connection& c) {
    if (!c.db || !c.switchesJournal) return;
    // Fails at once while anyone else uses the file; no wait, no word to the user.
    sqlite3_busy_handler(c.db, nullptr, nullptr);
    SystemAccess access(c);
    sqlite3_exec(c.db, "PRAGMA query_only = 0; PRAGMA main.journal_mode=DELETE", nullptr, nullptr,
                 nullptr);
}

Error damagedFile(const std::string& path) {
    return makeError(err::kCorrupt, "The database file '" + path +
                                        "' is damaged and cannot be read. Restore it from a "
                                        "backup copy.");
}

}  // namespace qrv::dao::detail
