#include "upload/PosixHost.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kavelup {

namespace {

std::string describe(std::string_view what, const std::string& path, int err) {
    return std::string(what) + " " + path + " 时出错：" + strerror(err);
}

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
    if (!in) return failed(describe("读取临时文件", from, errno));

    std::string temp;
    Fd out;
    for (int attempt = 0; attempt < 16 && !out; ++attempt) {
        temp = (dir == "/" ? "" : dir) + "/." + base.substr(0, 200) + ".part-" + randomSuffix();
        out.assign(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out && errno != EEXIST) break;
    }
    if (!out) return failed(describe("保存", to, errno));

    if (!copyAll(in.get(), out.get()) || ::fsync(out.get()) != 0 || !out.reset()) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failed(describe("保存", to, err));
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
        if (!overwrite && err == EEXIST) return {CopyOutcome::TargetExists, {}};
        return failed(describe("保存", to, err));
    }
    syncDirectory(dir);
    return {};
}

void PosixFileSystem::forceDelete(const std::string& path) { ::unlink(path.c_str()); }

FileStatus PosixFileSystem::makePrivateDirectory(const std::string& parent,
                                                 const std::string& prefix, std::string& created) {
    std::string name = parent + prefix + "XXXXXX";
    if (!::mkdtemp(name.data())) return FileStatus::failed(describe("创建目录", name, errno));
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

void PosixFileSystem::removeDirectory(const std::string& path) { ::rmdir(path.c_str()); }

}  // namespace kavelup
