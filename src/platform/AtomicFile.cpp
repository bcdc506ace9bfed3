#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace platform {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class FileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "tubra-file"; }
    std::string message(int e) const override {
        switch (static_cast<FileError>(e)) {
            case FileError::readOnly: return "文件是只读的";
            case FileError::notRegularFile: return "不是普通文件";
            case FileError::danglingLink: return "符号链接指向的文件不存在";
            case FileError::tooLarge: return "文件太大";
        }
        return "未知错误";
    }
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The mark between a file's name and the random part of its temporary name. Distinctive, so
// that removing leftovers never touches a file of the user's.
constexpr std::string_view kTempMark = ".tubra-";
constexpr std::size_t kRandomChars = 6;

bool isRandomChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string randomChars() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[kRandomChars];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Only uniqueness matters, and creating the name refuses a clash anyway.
        static unsigned counter = 0;
        const unsigned v = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(v >> (i * 5));
    }
    std::string s;
    for (unsigned char b : bytes) s += kAlphabet[b % (sizeof kAlphabet - 1)];
    return s;
}

// "." + the start of the file's name + the mark: what every temporary name of that file begins
// with. The start is cut so the whole name fits, and never inside a UTF-8 sequence.
std::string temporaryPrefix(std::string_view fileName, std::size_t nameMax) {
    const std::size_t fixed = 1 + kTempMark.size() + kRandomChars;
    std::size_t keep = nameMax > fixed ? nameMax - fixed : 0;
    if (keep < fileName.size()) {
        while (keep > 0 && (static_cast<unsigned char>(fileName[keep]) & 0xC0) == 0x80) --keep;
    } else {
        keep = fileName.size();
    }
    std::string p = ".";
    p.append(fileName.substr(0, keep));
    p.append(kTempMark);
    return p;
}

bool isTemporaryOf(std::string_view entry, std::string_view prefix) {
    if (entry.size() != prefix.size() + kRandomChars || !entry.starts_with(prefix)) return false;
    for (char c : entry.substr(prefix.size()))
        if (!isRandomChar(c)) return false;
    return true;
}

// Removes the temporary files that earlier saves of the same file left when they were killed.
// A save in progress holds a lock on its file, so only abandoned ones can be locked here.
void sweepLeftovers(int dirFd, const std::string& prefix) {
    const int listFd = ::dup(dirFd);
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (!isTemporaryOf(e->d_name, prefix)) continue;
        Fd f(::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (f.get() < 0) continue;
        struct stat st {};
        if (::fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::geteuid() != 0 && st.st_uid != ::geteuid()) continue;
        if (::flock(f.get(), LOCK_EX | LOCK_NB) != 0) continue;
        ::unlinkat(dirFd, e->d_name, 0);
    }
    ::closedir(dir);
}

bool isWriteProtected(const char* path, const struct stat& st) {
    // Root may write anything; a file without any write bit is still protected for it.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

std::error_code writeAll(int fd, std::string_view data, const AtomicWriteOptions& options) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const std::size_t chunk = left < (1u << 30) ? left : (1u << 30);
        const ssize_t n = options.write ? options.write(fd, p, chunk) : ::write(fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return {};
}

// A new hidden file `prefix` + random characters in the directory, open for writing.
int createNamed(int dirFd, const std::string& prefix, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + randomChars();
        const int fd = ::openat(dirFd, name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file `fd` a hidden name in the directory. Without the capability to link
// a descriptor directly, the link goes through /proc.
bool linkUnnamed(int fd, int dirFd, const std::string& prefix, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + randomChars();
        if (::linkat(fd, "", dirFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno == EEXIST) continue;
        char proc[64];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, proc, dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

}  // namespace

const std::error_category& fileErrorCategory() {
    static const FileErrorCategory category;
    return category;
}

std::string temporaryNamePattern(std::string_view fileName, std::size_t nameMax) {
    return temporaryPrefix(fileName, nameMax) + std::string(kRandomChars, 'X');
}

bool isTemporaryName(std::string_view name) {
    if (name.size() < 1 + kTempMark.size() + kRandomChars || name.front() != '.') return false;
    const std::size_t mark = name.size() - kRandomChars - kTempMark.size();
    return name.substr(mark, kTempMark.size()) == kTempMark && isTemporaryOf(name, name.substr(0, mark + kTempMark.size()));
}

namespace {

// Fills the temporary file: `fd` is open for writing, `path` names it when it has a name.
using Fill = std::function<std::error_code(int fd, const std::filesystem::path& path)>;

// The common work of both kinds of atomic write. `needsName`: the filler writes through a path,
// so the temporary file is a named one from the start.
std::error_code replaceFile(const std::filesystem::path& target, const AtomicWriteOptions& options,
                            bool needsName, const Fill& fill) {
    namespace fs = std::filesystem;
    // Write beside the real file when the target is a symbolic link, so the link survives.
    fs::path path = target;
    struct stat lst {};
    if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(target.c_str(), nullptr),
                                                         &std::free);
        if (!real) {
            const int why = errno;
            // Links of the process's own descriptors (/dev/stdout into a pipe) name no path yet
            // lead somewhere: to what is not a file this program may replace.
            struct stat st {};
            if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
                return S_ISDIR(st.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                           : make_error_code(FileError::notRegularFile);
            if (why == ENOENT) return FileError::danglingLink;
            errno = why;
            return lastError();
        }
        path = real.get();
    }
    if (path.filename().empty()) return std::make_error_code(std::errc::is_a_directory);
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    const std::string fileName = path.filename().string();

    struct stat st {};
    bool exists = false;
    if (::stat(path.c_str(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        if (!S_ISREG(st.st_mode)) return FileError::notRegularFile;
        if (options.refuseReadOnly && isWriteProtected(path.c_str(), st)) return FileError::readOnly;
    } else if (errno != ENOENT) {
        return lastError();
    }

    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0) return lastError();
    long nameMax = ::fpathconf(dirFd.get(), _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    const std::string prefix = temporaryPrefix(fileName, static_cast<std::size_t>(nameMax));
    sweepLeftovers(dirFd.get(), prefix);

    // A replaced file gets its old mode after its owner is set (which may clear set-id bits);
    // a new one the requested mode, which the system reduces by the umask.
    const mode_t createMode = exists ? 0600 : static_cast<mode_t>(options.mode & 07777);
    bool tryUnnamed = options.unnamedTemporary && !needsName;
    for (;;) {
        Fd fd;
        std::string tmpName;
        bool named = false;
        if (tryUnnamed) {
            fd.reset(::openat(dirFd.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
            if (fd.get() < 0) {
                // File systems without unnamed files say so in one of these ways.
                if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOTSUP)
                    return lastError();
                tryUnnamed = false;
            }
        }
        if (fd.get() < 0) {
            fd.reset(createNamed(dirFd.get(), prefix, createMode, tmpName));
            if (fd.get() < 0) return lastError();
            named = true;
        }
        // Held until the file has its final name: tells a sweeping save this one is alive.
        ::flock(fd.get(), LOCK_EX | LOCK_NB);

        auto fail = [&](std::error_code e) {
            if (!tmpName.empty()) ::unlinkat(dirFd.get(), tmpName.c_str(), 0);
            return e;
        };
        if (const auto e = fill(fd.get(), named ? dir / tmpName : fs::path())) return fail(e);
        if (exists) {
            // Owner and group where we may set them, else the group alone; otherwise the file
            // becomes ours, as any new file would.
            if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) ::fchown(fd.get(), static_cast<uid_t>(-1), st.st_gid);
            if (::fchmod(fd.get(), st.st_mode & 07777) != 0) return fail(lastError());
        }
        if ((options.fsync ? options.fsync(fd.get()) : ::fsync(fd.get())) != 0) return fail(lastError());
        if (!named && !linkUnnamed(fd.get(), dirFd.get(), prefix, tmpName)) {
            // No way to give the file a name: write it again under a hidden name.
            tmpName.clear();
            tryUnnamed = false;
            continue;
        }
        const int renamed = options.rename ? options.rename(dirFd.get(), tmpName.c_str(), fileName.c_str())
                                           : ::renameat(dirFd.get(), tmpName.c_str(), dirFd.get(), fileName.c_str());
        if (renamed != 0) return fail(lastError());
        // Make the rename itself durable.
        ::fsync(dirFd.get());
        return {};
    }
}

}  // namespace

Result<> writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                                const AtomicWriteOptions& options) {
    return Result<>(replaceFile(target, options, false, [&](int fd, const std::filesystem::path&) {
        return writeAll(fd, data, options);
    }));
}

Result<> writeFileAtomicallyInPieces(const std::filesystem::path& target,
                                        const std::function<std::error_code(const PieceWriter& write)>& produce,
                                        const AtomicWriteOptions& options) {
    return Result<>(replaceFile(target, options, false, [&](int fd, const std::filesystem::path&) -> std::error_code {
        std::error_code first;
        const PieceWriter write = [&](std::string_view piece) {
            if (!first) first = writeAll(fd, piece, options);
            return first;
        };
        try {
            if (const std::error_code e = produce(write)) return e;
        } catch (const std::bad_alloc&) {
            // Out of memory half way: the temporary file goes, the target stays as it was.
            return std::make_error_code(std::errc::not_enough_memory);
        }
        return first;
    }));
}

Result<> writeFileAtomicallyWith(const std::filesystem::path& target, const FileProducer& produce,
                                    const AtomicWriteOptions& options) {
    return Result<>(replaceFile(target, options, true, [&](int fd, const std::filesystem::path& path) -> std::error_code {
        if (const std::error_code e = produce(path)) return e;
        // The producer may have put another file under the name; only the file written
        // through its name is ours to keep.
        struct stat ours {}, named {};
        if (::fstat(fd, &ours) != 0 || ::stat(path.c_str(), &named) != 0) return lastError();
        if (ours.st_dev != named.st_dev || ours.st_ino != named.st_ino)
            return std::make_error_code(std::errc::io_error);
        return {};
    }));
}

namespace {

std::error_code readWhole(const std::filesystem::path& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return lastError();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return lastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (st.st_size > 0 && static_cast<std::size_t>(st.st_size) > maxBytes) return FileError::tooLarge;
    // The size the file has now is read straight into the string; whatever it grew by since
    // comes after, through the buffer.
    std::size_t got = 0;
    if (st.st_size > 0) {
        out.resize(static_cast<std::size_t>(st.st_size));
        while (got < out.size()) {
            const ssize_t n = ::read(fd.get(), out.data() + got, out.size() - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                const auto e = lastError();
                out.clear();
                return e;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        out.resize(got);
        if (got < static_cast<std::size_t>(st.st_size)) return {};  // it shrank: all is read
    }
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const auto e = lastError();
            out.clear();
            return e;
        }
        if (n == 0) break;
        if (static_cast<std::size_t>(n) > maxBytes - out.size()) {
            // A device or a file that grew while read.
            out.clear();
            out.shrink_to_fit();
            return FileError::tooLarge;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return {};
}

}  // namespace

Result<> readWholeFile(const std::filesystem::path& path, std::string& out, std::size_t maxBytes) {
    return readWhole(path, out, maxBytes);
}

std::string describe(const std::error_code& ec) { return systemErrorText(ec); }

}  // namespace platform
