// Preloaded into the programs under test: aborts the process when it closes
// a descriptor of a file on which it holds POSIX record locks.
//
// Such a close() silently drops every lock the process holds on that file,
// whichever descriptor took them. For a database that another program shares
// this means the next program to close the file believes it is the last user
// and deletes the write-ahead log under the first one. SQLite never closes a
// descriptor while its process holds locks on the file (it keeps it until the
// last lock goes), so any such close comes from our own code: a stray open()
// of a database path while a connection holds it.
//
// SQLite's own closes are trusted: it closes the index (-shm) file of a log
// when no connection of the process uses it any more, locks and all.
//
// The locks are read from /proc/locks (pid and inode), so the check needs no
// cooperation from the code under test. QRV_LOCK_GUARD_LOG=FILE makes the
// guard append its finding to FILE before aborting, for tests of the guard.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int (*realClose)(int);
int (*realFclose)(FILE*);

void init() {
    realClose = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "close"));
    realFclose = reinterpret_cast<int (*)(FILE*)>(dlsym(RTLD_NEXT, "fclose"));
}

__attribute__((constructor)) void start() {
    init();
}

// Whether this process holds a POSIX lock on inode ino. Reads /proc/locks
// with plain system calls: stdio would close a descriptor of its own.
bool holdsLock(unsigned long long ino) {
    static char buf[1 << 16];
    const int fd = open("/proc/locks", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t n = 0;
    for (ssize_t got; n < sizeof buf - 1 && (got = read(fd, buf + n, sizeof buf - 1 - n)) > 0;)
        n += static_cast<size_t>(got);
    realClose(fd);
    buf[n] = '\0';
    const long pid = static_cast<long>(getpid());
    for (char* line = buf; line != nullptr && *line != '\0';) {
        char* next = std::strchr(line, '\n');
        if (next != nullptr) *next++ = '\0';
        // "1: POSIX  ADVISORY  READ 1234 fd:01:56789 1073741826 1073741826";
        // a line with "->" is a waiter, not a held lock.
        char kind[16], mode[16], access[16], dev[64];
        long owner = 0;
        if (std::strstr(line, "->") == nullptr &&
            std::sscanf(line, "%*[^:]: %15s %15s %15s %ld %63s", kind, mode, access, &owner, dev) ==
                5 &&
            std::strcmp(kind, "POSIX") == 0 && owner == pid) {
            const char* last = std::strrchr(dev, ':');
            if (last != nullptr && std::strtoull(last + 1, nullptr, 10) == ino) return true;
        }
        line = next;
    }
    return false;
}

bool fromSqlite(void* caller) {
    Dl_info info{};
    return dladdr(caller, &info) != 0 && info.dli_fname != nullptr &&
           std::strstr(info.dli_fname, "libsqlite3") != nullptr;
}

void check(int fd, void* caller) {
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink == 0) return;
    if (fromSqlite(caller)) return;
    if (!holdsLock(static_cast<unsigned long long>(st.st_ino))) return;
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t len = readlink(link, path, sizeof path - 1);
    path[len < 0 ? 0 : len] = '\0';
    char message[4352];
    const int m = std::snprintf(message, sizeof message,
                                "lock guard: close() of descriptor %d (%s) would drop this "
                                "process's locks on the file\n",
                                fd, path);
    const size_t size = m < 0                                     ? 0
                        : static_cast<size_t>(m) < sizeof message ? static_cast<size_t>(m)
                                                                  : sizeof message;
    if (const char* log = std::getenv("QRV_LOCK_GUARD_LOG"); log != nullptr && *log != '\0') {
        const int out = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out >= 0) {
            (void)!write(out, message, size);
            realClose(out);
        }
    }
    (void)!write(2, message, size);
    std::abort();
}

}  // namespace

extern "C" int close(int fd) {
    if (realClose == nullptr) init();
    const int saved = errno;
    check(fd, __builtin_return_address(0));
    errno = saved;
    return realClose(fd);
}

extern "C" int fclose(FILE* f) {
    if (realFclose == nullptr) init();
    if (f != nullptr) {
        const int saved = errno;
        check(fileno(f), __builtin_return_address(0));
        errno = saved;
    }
    return realFclose(f);
}
