#include "upload/PosixHost.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <vector>

#include "upload/SignalCleanup.h"

namespace kavelup {

namespace {

std::string describe(std::string_view what, const std::string& path, int err) {
    return std::string(what) + " " + path + " 时出错：" + strerror(err);
}

// The reason alone: the caller names the file, and a message for the client must not show
// where the server keeps it.
std::string reason(int err) { return strerror(err); }

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void assign(int fd) {
        reset();
        fd_ = fd;
    }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now; false (with errno) when the close reports a failed write.
    bool reset() {
        if (fd_ < 0) return true;
        const int r = ::close(fd_);
        fd_ = -1;
        return r == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool copyAll(int in, int out) {
    // In-kernel copy first; some file systems refuse it, then plain reads and writes.
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EPERM)
            return false;
        break;
    }
    static constexpr std::size_t kChunk = 1 << 16;
    auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kChunk);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!writeAll(out, buffer.get(), static_cast<std::size_t>(n))) return false;
    }
}

std::string randomSuffix() {
    std::uint64_t v = 0;
    if (getrandom(&v, sizeof v, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof v)) {
        // Only uniqueness matters here, and O_EXCL refuses a clash anyway.
        static std::atomic<std::uint64_t> counter{0};
        v = (static_cast<std::uint64_t>(::getpid()) << 32) ^ ++counter;
    }
    char s[17];
    snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(v));
    return s;
}

void syncDirectory(const std::string& dir) {
    Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d) ::fsync(d.get());
}

}  // namespace

std::size_t FdRequest::binaryRead(char* buffer, std::size_t count) {
    // Never read past the announced length: the web server may keep the pipe open.
    const auto left = static_cast<std::uint64_t>(length_ - consumed_);
    if (count > left) count = static_cast<std::size_t>(left);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    consumed_ += static_cast<std::int64_t>(got);
    return got;
}

std::string PosixFileSystem::systemTemporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && dir[0] == '/' ? dir : "/tmp";
}

bool PosixFileSystem::exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

CopyResult PosixFileSystem::copy(const std::string& from, const std::string& to, bool overwrite) {
    const auto failed = [](std::string why) {
        return CopyResult{CopyOutcome::Failed, std::move(why)};
    };
    const std::size_t slash = to.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
    const std::string base = slash == std::string::npos ? to : to.substr(slash + 1);

    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!in) return failed("读取临时文件失败：" + reason(errno));

    std::string temp;
    Fd out;
    for (int attempt = 0; attempt < 16 && !out; ++attempt) {
        temp = (dir == "/" ? "" : dir) + "/." + base.substr(0, 200) + ".part-" + randomSuffix();
        out.assign(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out && errno != EEXIST) break;
    }
    if (!out) return failed(reason(errno));
    // Locked while it is written: a sweep leaves it alone until the process is gone.
    ::flock(out.get(), LOCK_EX | LOCK_NB);
    if (trackForSignals_) signalcleanup::setPartialFile(temp);
    const auto forget = [&] {
        if (trackForSignals_) signalcleanup::setPartialFile({});
    };

    if (!copyAll(in.get(), out.get()) || ::fsync(out.get()) != 0 || !out.reset()) {
        const int err = errno;
        ::unlink(temp.c_str());
        forget();
        return failed(reason(err));
    }
    int r;
    if (overwrite) {
        r = ::rename(temp.c_str(), to.c_str());
    } else {
        r = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a hard link refuses an existing name just as well.
            r = ::link(temp.c_str(), to.c_str());
            if (r == 0) ::unlink(temp.c_str());
        }
    }
    if (r != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        forget();
        if (!overwrite && err == EEXIST) return {CopyOutcome::TargetExists, {}};
        return failed(reason(err));
    }
    forget();
    syncDirectory(dir);
    return {};
}

void PosixFileSystem::forceDelete(const std::string& path) { ::unlink(path.c_str()); }

PosixFileSystem::~PosixFileSystem() {
    for (const auto& [path, fd] : lockedDirectories_) ::close(fd);
}

FileStatus PosixFileSystem::makePrivateDirectory(const std::string& parent,
                                                 const std::string& prefix, std::string& created) {
    std::string name = parent + prefix + "XXXXXX";
    if (!::mkdtemp(name.data())) return FileStatus::failed(describe("创建目录", name, errno));
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);
        lockedDirectories_[name] = fd;
    }
    if (trackForSignals_) signalcleanup::setDirectory(name);
    created = std::move(name);
    return {};
}

FileStatus PosixFileSystem::writeNewFile(const std::string& path, std::string_view content) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) return FileStatus::failed(describe("创建", path, errno));
    if (!writeAll(fd.get(), content.data(), content.size()) || !fd.reset()) {
        const int err = errno;
        ::unlink(path.c_str());
        return FileStatus::failed(describe("写入", path, err));
    }
    return {};
}

void PosixFileSystem::removeDirectory(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) return;
    if (const auto it = lockedDirectories_.find(path); it != lockedDirectories_.end()) {
        ::close(it->second);
        lockedDirectories_.erase(it);
    }
    if (trackForSignals_) signalcleanup::setDirectory({});
}

namespace {

bool isPartialName(std::string_view name) {
    constexpr std::string_view kMark = ".part-";
    constexpr std::size_t kDigits = 16;
    if (name.size() < 1 + kMark.size() + kDigits || name.front() != '.') return false;
    const std::string_view tail = name.substr(name.size() - kDigits - kMark.size());
    if (!tail.starts_with(kMark)) return false;
    for (char c : tail.substr(kMark.size()))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// An entry of `dirFd` that belongs to this user, is of the wanted kind, is old enough, and
// can be locked (so no running upload holds it). The descriptor holds the lock.
int abandonedEntry(int dirFd, const char* name, bool directory, std::time_t before) {
    const int fd = ::openat(dirFd, name,
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0) return -1;
    struct stat st;
    const bool candidate = ::fstat(fd, &st) == 0 &&
                           (directory ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) &&
                           st.st_uid == ::geteuid() && st.st_mtime < before &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (candidate) return fd;
    ::close(fd);
    return -1;
}

template <typename F>
void forEachEntry(int dirFd, F f) {
    const int listFd = ::dup(dirFd);
    if (listFd < 0) return;
    DIR* d = ::fdopendir(listFd);
    if (!d) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string& n : names) f(n);
}

}  // namespace

std::size_t sweepAbandonedUploads(const std::string& temporaryFolder,
                                  const std::string& targetDirectory, std::chrono::seconds age) {
    const std::time_t before = std::time(nullptr) - static_cast<std::time_t>(age.count());
    std::size_t removed = 0;
    if (!temporaryFolder.empty()) {
        Fd tmp(::open(temporaryFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (tmp) {
            forEachEntry(tmp.get(), [&](const std::string& name) {
                if (!name.starts_with("kavelup-")) return;
                Fd dir(abandonedEntry(tmp.get(), name.c_str(), true, before));
                if (!dir) return;
                forEachEntry(dir.get(), [&](const std::string& file) {
                    ::unlinkat(dir.get(), file.c_str(), 0);
                });
                if (::unlinkat(tmp.get(), name.c_str(), AT_REMOVEDIR) == 0) ++removed;
            });
        }
    }
    if (!targetDirectory.empty()) {
        Fd target(::open(targetDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (target) {
            forEachEntry(target.get(), [&](const std::string& name) {
                if (!isPartialName(name)) return;
                Fd file(abandonedEntry(target.get(), name.c_str(), false, before));
                if (file && ::unlinkat(target.get(), name.c_str(), 0) == 0) ++removed;
            });
        }
    }
    return removed;
}

}  // namespace kavelup
