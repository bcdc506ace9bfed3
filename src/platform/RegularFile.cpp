#include "platform/RegularFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/AtomicFile.h"

namespace platform {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

std::error_code typeError(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(st.st_mode)) return FileError::notRegularFile;
    return {};
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

std::error_code readOpen(int fd, std::size_t sizeHint, std::string& out, std::size_t maxBytes) {
    // One byte more than the size: reaching it tells that the file grew while read. The old
    // bytes of `out` are overwritten, so only new room costs a fill.
    const std::size_t capacity = (sizeHint < maxBytes ? sizeHint : maxBytes) + 1;
    std::size_t size = 0;
    out.resize(capacity);
    for (;;) {
        if (size == out.size()) {
            if (size > maxBytes) return FileError::tooLarge;
            const std::size_t grown = out.size() > maxBytes / 2 ? maxBytes + 1 : std::max<std::size_t>(out.size() * 2, 4096);
            out.resize(grown);
        }
        const ssize_t n = ::read(fd, out.data() + size, out.size() - size);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                // A file system that honours the flag on regular files: wait for the data as
                // any reader does.
                const int flags = ::fcntl(fd, F_GETFL);
                if (flags >= 0 && (flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) continue;
            }
            return lastError();
        }
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    if (size > maxBytes) return FileError::tooLarge;
    out.resize(size);
    return {};
}

// Opens the regular file at `path` for reading, its size within `maxBytes`; `st` is the open file's.
std::error_code openChecked(const std::filesystem::path& path, std::size_t maxBytes, Fd& fd, struct stat& st) {
    // Opening a device may have effects of its own (a tape rewinds, a watchdog starts), so its
    // type is known first.
    if (::stat(path.c_str(), &st) != 0) return lastError();
    if (const std::error_code e = typeError(st)) return e;
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return FileError::tooLarge;

    // Without waiting: the name may have been replaced by a FIFO since.
    fd.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return lastError();
    if (::fstat(fd.get(), &st) != 0) return lastError();
    if (const std::error_code e = typeError(st)) return e;
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return FileError::tooLarge;
    return {};
}

std::error_code readInto(const std::filesystem::path& path, std::string& out, std::size_t maxBytes) {
    Fd fd(-1);
    struct stat st {};
    if (const std::error_code e = openChecked(path, maxBytes, fd, st)) return e;
    try {
        return readOpen(fd.get(), static_cast<std::size_t>(st.st_size), out, maxBytes);
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

// --- mapped files and the pages that may vanish under them ---
//
// A mapping's pages are the file's: when another program cuts the file short, touching a page
// past its new end raises SIGBUS, as does a page the disk cannot give. Each mapping made here
// takes a guard, and the handler below answers a SIGBUS inside a guarded range by putting zeros
// from the faulting page to the range's end (one signal, however much was cut) and marking the
// guard hit; the faulting read then goes on and sees zeros. Any other SIGBUS goes where it went
// before the handler was installed. The handler reads the guards without locks: each field is a
// lock-free atomic, and a guard's range is set before the mapping is used and cleared before it
// is unmapped.

struct Guard {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> hit{false};
};
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

constexpr int kGuards = 16;
Guard guards[kGuards];
struct sigaction busBefore {};
std::uintptr_t pageSize = 4096;

void passOnBusError(int signal, siginfo_t* info, void* context) {
    if (busBefore.sa_flags & SA_SIGINFO) {
        if (busBefore.sa_sigaction) {
            busBefore.sa_sigaction(signal, info, context);
            return;
        }
    } else if (busBefore.sa_handler != SIG_DFL && busBefore.sa_handler != SIG_IGN) {
        busBefore.sa_handler(signal);
        return;
    }
    // The system's own action: a fault happens again on return and ends the program as it
    // would have; a signal sent by another program is sent again.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(SIGBUS, &dfl, nullptr);
    if (info == nullptr || info->si_code <= 0) ::raise(signal);
}

void onBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    if (info != nullptr && info->si_code > 0) {
        const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (Guard& g : guards) {
            const std::uintptr_t begin = g.begin.load();
            if (begin == 0 || at < begin) continue;
            const std::uintptr_t end = g.end.load();
            if (at >= end) continue;
            const std::uintptr_t page = at & ~(pageSize - 1);
            void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (zeros == MAP_FAILED) break;
            g.hit.store(true);
            errno = savedErrno;
            return;
        }
    }
    errno = savedErrno;
    passOnBusError(signal, info, context);
}

bool installBusHandler() {
    static const bool installed = [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        if (size <= 0) return false;
        pageSize = static_cast<std::uintptr_t>(size);
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &busBefore) == 0;
    }();
    return installed;
}

int takeGuard() {
    if (!installBusHandler()) return -1;
    for (int i = 0; i < kGuards; ++i) {
        bool expected = false;
        if (guards[i].taken.compare_exchange_strong(expected, true)) {
            guards[i].hit.store(false);
            return i;
        }
    }
    return -1;
}

void releaseGuard(int i) {
    guards[i].begin.store(0);
    guards[i].end.store(0);
    guards[i].hit.store(false);
    guards[i].taken.store(false);
}

}  // namespace

Result<> readRegularFile(const std::filesystem::path& path, std::string& out, std::size_t maxBytes) {
    std::error_code e = readInto(path, out, maxBytes);
    if (e) {
        out.clear();
        // Storage a failed read took is not kept for the next file.
        if (e == std::errc::not_enough_memory || e == FileError::tooLarge) out.shrink_to_fit();
    }
    return e;
}

FileBytes::~FileBytes() { clear(); }

FileBytes::FileBytes(FileBytes&& other) noexcept
    : copy_(std::move(other.copy_)), map_(other.map_), mapSize_(other.mapSize_), guard_(other.guard_) {
    other.map_ = nullptr;
    other.mapSize_ = 0;
    other.guard_ = -1;
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        clear();
        copy_ = std::move(other.copy_);
        map_ = other.map_;
        mapSize_ = other.mapSize_;
        guard_ = other.guard_;
        other.map_ = nullptr;
        other.mapSize_ = 0;
        other.guard_ = -1;
    }
    return *this;
}

bool FileBytes::damaged() const { return guard_ >= 0 && guards[guard_].hit.load(); }

void FileBytes::clear() {
    copy_.clear();
    if (map_) {
        const std::size_t length = mapSize_;
        void* at = const_cast<char*>(map_);
        // The range stops being answered for before its pages go.
        if (guard_ >= 0) {
            guards[guard_].begin.store(0);
            guards[guard_].end.store(0);
        }
        ::munmap(at, length);
        map_ = nullptr;
        mapSize_ = 0;
    }
    if (guard_ >= 0) releaseGuard(guard_);
    guard_ = -1;
}

Result<> readRegularFile(const std::filesystem::path& path, FileBytes& out, std::size_t maxBytes, std::size_t mapFrom) {
    out.clear();
    Fd fd(-1);
    struct stat st {};
    std::error_code e = openChecked(path, maxBytes, fd, st);
    const auto size = static_cast<std::size_t>(st.st_size);
    if (!e && size > 0 && size >= mapFrom) {
        // Mapped and its pages put in place at once: no copy, no fault per page. Where the
        // system cannot map the file (or no guard is free) it is read as below.
        const int guard = takeGuard();
        if (guard >= 0) {
            void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd.get(), 0);
            if (at != MAP_FAILED) {
                const auto begin = reinterpret_cast<std::uintptr_t>(at);
                guards[guard].end.store(begin + size);
                guards[guard].begin.store(begin);
                out.map_ = static_cast<const char*>(at);
                out.mapSize_ = size;
                out.guard_ = guard;
                return {};
            }
            releaseGuard(guard);
        }
    }
    if (!e) {
        try {
            e = readOpen(fd.get(), size, out.copy_, maxBytes);
        } catch (const std::bad_alloc&) {
            e = std::make_error_code(std::errc::not_enough_memory);
        }
    }
    if (e) {
        out.copy_.clear();
        if (e == std::errc::not_enough_memory || e == FileError::tooLarge) out.copy_.shrink_to_fit();
    }
    return e;
}

FileComparison::FileComparison(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || typeError(st)) return;
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return;
    same_ = ::fstat(fd_, &st) == 0 && !typeError(st);
}

FileComparison::~FileComparison() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// Reads up to `size` bytes; fewer only at the end of the file. -1 on an error.
ssize_t readFully(int fd, char* to, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, to + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

void FileComparison::next(std::string_view piece) {
    if (!same_ || piece.empty()) return;
    try {
        buffer_.resize(piece.size());
    } catch (const std::bad_alloc&) {
        same_ = false;
        return;
    }
    const ssize_t n = readFully(fd_, buffer_.data(), piece.size());
    same_ = n == static_cast<ssize_t>(piece.size()) && std::memcmp(buffer_.data(), piece.data(), piece.size()) == 0;
}

bool FileComparison::same() {
    if (!same_) return false;
    char extra = 0;
    same_ = readFully(fd_, &extra, 1) == 0;
    return same_;
}

}  // namespace platform
