// One file used by several connections and programs at once: no connection
// loses its locks to another's open or close, a file whose newest pages are
// still in its log opens, and the last user leaves the file in its rollback
// journal with nothing beside it.
//
// A test never reads a database file by a descriptor of its own while a
// connection to it is open (that would drop the locks under test): such
// looks happen in a forked child.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// SQLite's shared-lock bytes of a database file.
constexpr off_t kSharedFirst = 0x40000002;
constexpr off_t kSharedSize = 510;

Result<Database> open(const std::string& path, bool readOnly = false) {
    return DBEngine::Instance().OpenDatabase(path, false, readOnly);
}

// Runs body in a child process; its return value is the child's exit code,
// -signal when a signal ended it.
int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Whether this process holds SQLite's shared lock on path, as another
// process sees it.
bool holdsSharedLock(const std::string& path) {
    const pid_t parent = getpid();
    return inChild([&] {
               const int fd = ::open(path.c_str(), O_RDONLY);
               if (fd < 0) return 2;
               struct flock fl {};
               fl.l_type = F_WRLCK;
               fl.l_whence = SEEK_SET;
               fl.l_start = kSharedFirst;
               fl.l_len = kSharedSize;
               if (fcntl(fd, F_GETLK, &fl) != 0) return 2;
               return fl.l_type != F_UNLCK && fl.l_pid == parent ? 0 : 1;
           }) == 0;
}

// Byte 18 of the header: 1 rollback journal, 2 write-ahead log.
int journalByte(const std::string& path) {
    return static_cast<unsigned char>(readBytes(path).at(18));
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

void makeTable(const std::string& path, int rows) {
    std::string sql = "CREATE TABLE T(N INTEGER); BEGIN;";
    for (int i = 1; i <= rows; ++i) sql += "INSERT INTO T VALUES(" + std::to_string(i) + ");";
    ASSERT_EQ(rawExec(path, sql + "COMMIT;"), "");
}

double count(Database& db, const std::string& sql) {
    auto rs = db.OpenRecordset(sql);
    EXPECT_TRUE(rs.ok()) << sql << ": " << (rs.ok() ? "" : rs.error().description);
    return rs.ok() ? rs->GetValue(0).toDouble().value_or(-1) : -1;
}

TEST(FileSharing, EveryWayOfOpeningAFileAgainKeepsTheLocksOfItsConnections) {
    TempDir dir;
    const std::string path = dir.file("shared.db");
    const std::string other = dir.file("other.db");
    makeTable(path, 3);
    makeTable(other, 5);

    auto first = open(path);
    ASSERT_TRUE(first.ok()) << first.error().description;
    ASSERT_TRUE(holdsSharedLock(path));
    // A second and a read-only connection to the same file, a second file,
    // and that second file read again through a source clause.
    auto second = open(path);
    auto reader = open(path, true);
    auto source = open(other);
    ASSERT_TRUE(second.ok() && reader.ok() && source.ok());
    EXPECT_EQ(count(*first, "SELECT Count(*) FROM [T] IN '" + other + "'"), 5);
    EXPECT_EQ(count(*first, "SELECT Count(*) FROM [T] IN '" + path + "'"), 3);
    // A refused source clause (not a database) must not cost locks either.
    writeBytes(dir.file("text.db"), std::string(200, 'x'));
    auto refused = first->OpenRecordset("SELECT * FROM [T] IN '" + dir.file("text.db") + "'");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, 3343);
    second->Close();

    EXPECT_TRUE(holdsSharedLock(path)) << "the first connection lost its lock on the file";
    EXPECT_TRUE(holdsSharedLock(other)) << "the source's connection lost its lock";
    EXPECT_EQ(count(*reader, "SELECT Count(*) FROM [T]"), 3);
}

TEST(FileSharing, TheGuardOfTheTestsCatchesAStrayDescriptor) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::strstr(preload, "lock_guard") == nullptr)
        GTEST_SKIP() << "the lock guard is not preloaded in this build";
    TempDir dir;
    const std::string path = dir.file("g.db");
    makeTable(path, 1);
    const int result = inChild([&] {
        auto db = open(path);
        if (!db.ok()) return 3;
        std::ifstream stray(path, std::ios::binary);
        stray.close();  // drops the connection's locks: the guard must abort here
        return 0;
    });
    EXPECT_EQ(result, -SIGABRT);
}

TEST(FileSharing, LastUserReturnsTheFileToItsRollbackJournal) {
    TempDir dir;
    const std::string path = dir.file("j.db");
    makeTable(path, 2);
    ASSERT_EQ(journalByte(path), 1);
    auto a = open(path);
    auto b = open(path, true);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(inChild([&] { return journalByte(path); }), 2) << "in use: write-ahead log";
    a->Close();
    EXPECT_EQ(inChild([&] { return journalByte(path); }), 2) << "still in use by the reader";
    b->Close();
    EXPECT_EQ(journalByte(path), 1);
    EXPECT_FALSE(exists(path + "-wal"));
    EXPECT_FALSE(exists(path + "-shm"));

    // Another program still using the file keeps it in the log; when that
    // one closes last, the file goes back.
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        auto held = open(path);
        char c = held.ok() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(done[0], &c, 1);
        held->Close();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    auto mine = open(path);
    ASSERT_TRUE(mine.ok());
    mine->Close();
    EXPECT_EQ(inChild([&] { return journalByte(path); }), 2);
    EXPECT_TRUE(exists(path + "-wal")) << "the other program's log must stay";
    (void)!write(done[1], "x", 1);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(journalByte(path), 1);
    EXPECT_FALSE(exists(path + "-wal"));
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST(FileSharing, PagesStillInTheLogAfterAFullDiskOpenAndATruncatedFileIsNamedDamaged) {
    TempDir dir;
    const std::string path = dir.file("full.db");
    makeTable(path, 1);
    // A program that stopped (as after a disk ran full) with its newest pages
    // only in the log: the log grows the file well beyond its main part.
    ASSERT_EQ(inChild([&] {
                  sqlite3* db = nullptr;
                  sqlite3_open(path.c_str(), &db);
                  const int rc = sqlite3_exec(
                      db,
                      "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; BEGIN;"
                      "WITH RECURSIVE k(i) AS (SELECT 2 UNION ALL SELECT i+1 FROM k WHERE i<20000)"
                      " INSERT INTO T SELECT i FROM k; COMMIT;",
                      nullptr, nullptr, nullptr);
                  _exit(rc);  // no close: the log keeps the pages
                  return rc;
              }),
              0);
    ASSERT_TRUE(exists(path + "-wal"));
    // The checkpoint that ran out of space had written the first page, whose
    // header now counts pages the main file does not have yet.
    std::string bytes = readBytes(path);
    const size_t pageSize = (static_cast<size_t>(static_cast<unsigned char>(bytes[16])) << 8) |
                            static_cast<unsigned char>(bytes[17]);
    const size_t claimed = bytes.size() / pageSize + 40;
    for (int i = 0; i < 4; ++i) bytes[28 + i] = static_cast<char>((claimed >> (24 - 8 * i)) & 0xff);
    writeBytes(path, bytes);

    auto db = open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    EXPECT_EQ(count(*db, "SELECT Count(*) FROM [T]"), 20000);
    db->Close();

    // The same file without its log really lacks pages: refused in words.
    const std::string lost = dir.file("lost.db");
    const std::string truncated = bytes;
    writeBytes(lost, truncated);
    auto damaged = open(lost);
    ASSERT_FALSE(damaged.ok());
    EXPECT_EQ(damaged.error().number, 3049);
    EXPECT_NE(damaged.error().description.find("is damaged"), std::string::npos)
        << damaged.error().description;
    EXPECT_EQ(readBytes(lost), truncated);
}

}  // namespace
}  // namespace qrv::test
