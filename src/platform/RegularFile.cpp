#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

std::error_code readInto(const std::filesystem::path& path, std::string& out, std::size_t maxBytes) {
    // Opening a device may have effects of its own (a tape rewinds, a watchdog starts), so its
    // type is known first.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return lastError();
    if (const std::error_code e = typeError(st)) return e;
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return FileError::tooLarge;

    // Without waiting: the name may have been replaced by a FIFO since.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return lastError();
    if (::fstat(fd.get(), &st) != 0) return lastError();
    if (const std::error_code e = typeError(st)) return e;
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return FileError::tooLarge;
    try {
        return readOpen(fd.get(), static_cast<std::size_t>(st.st_size), out, maxBytes);
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
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
