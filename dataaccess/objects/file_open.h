// Internal: the checks and journal choices around opening a database file.
//
// A database file may be open in several programs, and in several connections
// of this one, at once. POSIX drops every lock a process holds on a file when
// the process closes any descriptor of it, so nothing here opens the file
// itself: the path is looked at with stat(), and the header is read through
// the descriptor SQLite already holds.
#pragma once

#include <string>

#include "dataaccess/error.h"
#include "dataaccess/objects/connection.h"

namespace qrv::dao::detail {

// The path names an existing, non-directory file (stat only).
Error checkDatabasePath(const std::string& path);

// What the header of an opened file says.
struct FileHeader {
    bool writeAheadLog = false;  // the file is in write-ahead-log mode at rest
};

// Reads the header of an attached schema ("main" or a source alias) through
// SQLite's own descriptor: a foreign or too-short file is refused as an
// unrecognized format, an impossible page size as damaged.
Result<FileHeader> readHeader(Connection& c, const std::string& schema, const std::string& path);

// True when the file can be opened for writing by this process (permission
// bits count even for a privileged user, as a read-only attribute would).
bool fileWritable(const std::string& path);

// A write-ahead-log file that cannot get its index file (read-only folder or
// medium) and has no log beside it: nothing can be writing it, so it is read
// as an unchanging file.
bool readAsImmutable(const std::string& path, const FileHeader& header);

// SQLite's URI for reading path as an unchanging file.
std::string immutableUri(const std::string& path);

// Connections switch a file to the write-ahead log while they use it, so
// readers and writers do not wait for each other; the last one to close it
// returns it to a rollback journal, which any reader can read anywhere,
// read-only media included. Another connection still using the file (in this
// process or another) makes the switch fail at once, and that one does it.
void useWriteAheadLog(Connection& c);
void returnToRollbackJournal(Connection& c);

// The message for a file SQLite found damaged.
Error damagedFile(const std::string& path);

}  // namespace qrv::dao::detail
