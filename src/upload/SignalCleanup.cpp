#include "upload/SignalCleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace kavelup::signalcleanup {

namespace {

// A path a signal handler may read: filled while `set` is false.
struct Slot {
    char path[PATH_MAX] = {};
    volatile sig_atomic_t set = 0;

    void assign(const std::string& p) {
        set = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (p.empty() || p.size() >= sizeof path) return;
        std::memcpy(path, p.c_str(), p.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        set = 1;
    }
};

Slot directory;
Slot stagingDirectory;

struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

bool isDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

// Only async-signal-safe calls: open, getdents64, unlinkat, close, rmdir.
void removeDirectoryWithFiles(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(LinuxDirent64) char buffer[4096];
        // Removing entries while listing may hide a few from the listing: list again until a
        // pass finds nothing to remove.
        for (int pass = 0; pass < 8; ++pass) {
            ::lseek(fd, 0, SEEK_SET);
            bool removed = false;
            for (;;) {
                const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
                if (n <= 0) break;
                for (long off = 0; off < n;) {
                    const auto* e = reinterpret_cast<const LinuxDirent64*>(buffer + off);
                    if (!isDotOrDotDot(e->d_name) && ::unlinkat(fd, e->d_name, 0) == 0) removed = true;
                    off += e->d_reclen;
                }
            }
            if (!removed) break;
        }
        ::close(fd);
    }
    ::rmdir(path);
}

void onSignal(int sig) {
    const int savedErrno = errno;
    cleanUpNow();
    errno = savedErrno;
    // The handler was reset to the default on entry: the signal now ends the process as it
    // would have without us.
    ::raise(sig);
}

}  // namespace

void install() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
        sigaddset(&sa.sa_mask, sig);
    }
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::sigaction(sig, &sa, nullptr);
}

void setDirectory(const std::string& path) { directory.assign(path); }
void setStagingDirectory(const std::string& path) { stagingDirectory.assign(path); }

void cleanUpNow() {
    if (stagingDirectory.set) removeDirectoryWithFiles(stagingDirectory.path);
    if (directory.set) removeDirectoryWithFiles(directory.path);
}

}  // namespace kavelup::signalcleanup
