// The rows stream from the recordset into a buffer flushed to the temporary
// file; the file is synced before the rename so the target never names a
// file whose contents are still in flight.
#include "csv/exporter.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "csv/csv_format.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"

namespace qrv::csv {

using dao::Error;
using dao::makeError;

namespace {

constexpr long kPollEvery = 4096;
constexpr std::size_t kFlushAt = 1 << 20;

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporary files of earlier exports to the same target whose process is gone.
void removeDeadTempFiles(const std::string& path) {
    const std::string folder = folderOf(path);
    std::string prefix = ".";  // built by appending: GCC 12 misreads "." + string
    prefix += baseOf(path);
    prefix += ".qrv";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || std::strcmp(end, ".tmp") != 0) continue;
        const bool alive = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
        if (!alive) std::remove((folder + "/" + name).c_str());
    }
    ::closedir(d);
}

Error fileError(const std::string& what, const std::string& path, int code) {
    return makeError(dao::err::kCannotOpen, what + " '" + path + "': " + std::strerror(code) + ".");
}

Error writeAll(int fd, const std::string& buf, const std::string& path) {
    std::size_t done = 0;
    while (done < buf.size()) {
        const ssize_t n = ::write(fd, buf.data() + done, buf.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fileError("Cannot write", path, errno);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Error writeRows(dao::Recordset& rs, int fd, const std::string& path, long& rows,
                const std::function<bool()>& cancelled) {
    const int n = rs.FieldCount();
    std::string buf;
    buf.reserve(kFlushAt + 4096);
    for (int i = 0; i < n; ++i) {
        if (i) buf += ',';
        appendField(buf, rs.FieldAt(i).Name);
    }
    buf += "\r\n";
    for (; !rs.Eof(); ++rows) {
        for (int i = 0; i < n; ++i) {
            if (i) buf += ',';
            const dao::Value v = rs.GetValue(i);
            if (v.isText())
                appendField(buf, v.textRef());
            else if (v.isNull() && n == 1)
                buf += "\"\"";  // an empty line would be skipped when read back
            else
                buf += valueText(v);
        }
        buf += "\r\n";
        if (buf.size() >= kFlushAt) {
            if (Error e = writeAll(fd, buf, path)) return e;
            buf.clear();
        }
        if (rows % kPollEvery == 0 && cancelled && cancelled())
            return makeError(dao::err::kReservedError, "Interrupted; no file was written.");
        if (Error e = rs.MoveNext()) return e;
    }
    return writeAll(fd, buf, path);
}

}  // namespace

std::string exportTempPath(const std::string& path, long pid) {
    const std::string folder = folderOf(path);
    std::string temp = folder == "/" ? "" : folder;
    temp += "/.";
    temp += baseOf(path);
    temp += ".qrv";
    temp += std::to_string(pid);
    temp += ".tmp";
    return temp;
}

dao::Result<long> exportCsv(dao::Database& db, const std::string& source, const std::string& path,
                            const std::function<bool()>& cancelled) {
    std::string sql;
    if (db.GetTableDef(source) || db.GetQueryDef(source)) {
        sql = "SELECT * FROM " + dao::bracketName(source);
    } else {
        std::size_t i = 0;
        while (i < source.size() && (source[i] == ' ' || source[i] == '\n')) ++i;
        if (source.size() - i < 7 || !dao::iequal(source.substr(i, 7), "SELECT "))
            return makeError(dao::err::kItemNotFound,
                             "Table or query '" + source + "' not found in " + db.Name() + ".");
        sql = source;
    }
    std::error_code ec;
    if (std::filesystem::equivalent(path, db.Name(), ec))
        return makeError(dao::err::kInvalidArgument,
                         "'" + path + "' is the database itself; choose another file.");
    auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    if (!rs) return rs.error();

    removeDeadTempFiles(path);
    const std::string temp = exportTempPath(path, static_cast<long>(::getpid()));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return fileError("Cannot write", path, errno);
    long rows = 0;
    Error e = writeRows(*rs, fd, path, rows, cancelled);
    rs->Close();
    if (!e && ::fsync(fd) != 0) e = fileError("Cannot write", path, errno);
    if (::close(fd) != 0 && !e) e = fileError("Cannot write", path, errno);
    if (!e && std::rename(temp.c_str(), path.c_str()) != 0)
        e = fileError("Cannot replace", path, errno);
    if (e) {
        std::remove(temp.c_str());
        return e;
    }
    return rows;
}

}  // namespace qrv::csv
