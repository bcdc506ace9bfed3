#include "upload/PosixHost.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/file.h>
#include <sys/mman.h>
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

#include "platform/SystemError.h"
#include "upload/SignalCleanup.h"

namespace kavelup {

namespace {

std::string describe(std::string_view what, const std::string& path, int err) {
    return std::string(what) + " " + path + " 时出错：" + platform::systemErrorText(err);
}

// The reason alone: the caller names the file, and a message for the client must not show
// where the server keeps it.
std::string reason(int err) { return platform::systemErrorText(err); }

// A failed copy, and whether the server's side is to blame: everything but a name the file
// system cannot take.
CopyResult copyFailure(int err, std::string why) {
    const bool clientsName = err == ENAMETOOLONG || err == EISDIR || err == ENOTEMPTY ||
                             err == EILSEQ || err == EINVAL;
    return {CopyOutcome::Failed, std::move(why), !clientsName};
}
CopyResult copyFailure(int err) { return copyFailure(err, reason(err)); }

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
    // Hands the descriptor over without closing it.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
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

// Copies `length` bytes at `offset` of `in` to the end of `out`. `inKernel` is cleared once
// the kernel refuses to copy between these file systems, so later copies go straight to reads
// and writes. errno tells why on failure (EIO when `in` ends early).
bool copyRange(int in, std::uint64_t offset, std::uint64_t length, int out, bool& inKernel) {
    auto from = static_cast<off_t>(offset);
    std::uint64_t left = length;
    while (inKernel && left > 0) {
        const ssize_t n = ::copy_file_range(in, &from, out, nullptr,
                                            static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 30)), 0);
        if (n > 0) {
            left -= static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EPERM)
            return false;
        inKernel = false;
    }
    static constexpr std::size_t kChunk = 1 << 16;
    std::unique_ptr<char[]> buffer;
    while (left > 0) {
        if (!buffer) buffer = std::make_unique_for_overwrite<char[]>(kChunk);
        const ssize_t n = ::pread(in, buffer.get(),
                                  static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk)), from);
        if (n == 0) errno = EIO;
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        if (!writeAll(out, buffer.get(), static_cast<std::size_t>(n))) return false;
        from += n;
        left -= static_cast<std::uint64_t>(n);
    }
    return true;
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

// The request body in its file.
class PosixSpool : public BodySpool {
public:
    // Bodies up to this size are read through a mapping.
    static constexpr std::uint64_t kMappedReads = std::uint64_t{8} << 20;

    PosixSpool(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixSpool() override {
        if (mapping_) ::munmap(mapping_, size_);
    }

    FileStatus append(std::string_view piece) override {
        if (mapped_) return FileStatus::failed(reason(EBUSY));  // the body is complete
        if (!writeAll(fd_.get(), piece.data(), piece.size()))
            return FileStatus::failed(reason(errno));
        size_ += piece.size();
        return {};
    }
    std::uint64_t size() const override { return size_; }
    std::string_view bytes(std::uint64_t offset, std::size_t length,
                           std::string& scratch) const override {
        if (offset >= size_) return {};
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        // A small body is read through its mapping, without a system call per range; a large
        // one range by range, so that no more of it is resident than one range.
        if (size_ <= kMappedReads) {
            const std::string_view all = view();
            if (all.size() == size_) return all.substr(static_cast<std::size_t>(offset), length);
        }
        if (scratch.size() < length) scratch.resize(length);
        std::size_t got = 0;
        while (got < length) {
            const ssize_t n = ::pread(fd_.get(), scratch.data() + got, length - got,
                                      static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed_ = true;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        return {scratch.data(), got};
    }
    bool failed() const override { return failed_; }
    // Mapped once the body is complete; empty when no address space is left.
    std::string_view view() const override {
        if (!mapped_ && size_ > 0) {
            mapped_ = true;
            void* m = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd_.get(), 0);
            if (m != MAP_FAILED) mapping_ = m;
        }
        return mapping_ ? std::string_view(static_cast<const char*>(mapping_), size_)
                        : std::string_view();
    }
    const std::string& path() const override { return path_; }

private:
    Fd fd_;
    std::string path_;
    std::uint64_t size_ = 0;
    mutable bool failed_ = false;
    mutable bool mapped_ = false;
    mutable void* mapping_ = nullptr;
};

// The source files of a batch, each opened once.
class Sources {
public:
    // -1 (errno set) when the file cannot be opened.
    int get(const std::string& path) {
        if (auto it = fds_.find(path); it != fds_.end()) return it->second.get();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0) fds_[path].assign(fd);
        return fd;
    }

private:
    std::map<std::string, Fd> fds_;
};

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

void PosixFileSystem::saveFiles(std::vector<SaveJob>& jobs) {
    // Jobs by directory, in their order.
    std::map<std::string, std::vector<SaveJob*>> byDirectory;
    for (SaveJob& job : jobs) {
        const std::size_t slash = job.target.rfind('/');
        byDirectory[slash == std::string::npos ? "." : slash == 0 ? "/" : job.target.substr(0, slash)]
            .push_back(&job);
    }
    for (auto& [dir, inDir] : byDirectory) saveInDirectory(dir, inDir);
}

void PosixFileSystem::saveInDirectory(const std::string& dir, std::vector<SaveJob*>& jobs) {
    const auto failAll = [&](int err) {
        for (SaveJob* job : jobs) job->result = copyFailure(err);
    };
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd) return failAll(errno);

    // The staging directory: its name holds a ":", which no client file name does, so neither
    // a saved file nor a sweep of abandoned ones can ever meet the other.
    std::string stagingName;
    int err = EEXIST;
    for (int attempt = 0; attempt < 16 && err == EEXIST; ++attempt) {
        stagingName = std::string(kStagingPrefix) + randomSuffix();
        err = ::mkdirat(dirFd.get(), stagingName.c_str(), 0700) == 0 ? 0 : errno;
    }
    if (err != 0) return failAll(err);
    Fd staging(::openat(dirFd.get(), stagingName.c_str(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!staging) {
        err = errno;
        ::unlinkat(dirFd.get(), stagingName.c_str(), AT_REMOVEDIR);
        return failAll(err);
    }
    // Locked while it is used: a sweep leaves it alone until the process is gone.
    ::flock(staging.get(), LOCK_EX | LOCK_NB);
    const std::string stagingPath = (dir == "/" ? "" : dir) + "/" + stagingName;
    if (trackForSignals_) signalcleanup::setStagingDirectory(stagingPath);

    // Write every file.
    const bool fileByFile = jobs.size() <= kSyncFileByFile;
    std::vector<std::string> staged(jobs.size());  // names in the staging directory
    std::vector<Fd> openFiles(fileByFile ? jobs.size() : 0);
    Sources sources;
    bool inKernel = true;
    const auto failed = [&](std::size_t k, int why) {
        jobs[k]->result = copyFailure(why);
        if (!staged[k].empty()) ::unlinkat(staging.get(), staged[k].c_str(), 0);
        staged[k].clear();
    };
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        SaveJob& job = *jobs[k];
        job.result = {};
        const int in = sources.get(job.source);
        if (in < 0) {
            job.result = copyFailure(EIO, "读取临时文件失败：" + reason(errno));
            continue;
        }
        const std::string name = std::to_string(k);
        Fd out(::openat(staging.get(), name.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out) {
            failed(k, errno);
            continue;
        }
        staged[k] = name;
        if (!copyRange(in, job.offset, job.length, out.get(), inKernel)) {
            failed(k, errno);
            continue;
        }
        if (fileByFile) {
            openFiles[k].assign(out.release());
        } else if (!out.reset()) {
            failed(k, errno);
        }
    }

    // Their data reaches the disk before any takes its name.
    if (fileByFile) {
        for (std::size_t k = 0; k < jobs.size(); ++k) {
            if (staged[k].empty()) continue;
            if (::fsync(openFiles[k].get()) != 0 || !openFiles[k].reset()) failed(k, errno);
        }
    } else if (::syncfs(staging.get()) != 0) {
        err = errno;
        for (std::size_t k = 0; k < jobs.size(); ++k)
            if (!staged[k].empty()) failed(k, err);
    }

    // Names, in order: of two jobs with one target the later one meets the earlier one's file.
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        if (staged[k].empty()) continue;
        SaveJob& job = *jobs[k];
        const std::size_t slash = job.target.rfind('/');
        const std::string base = slash == std::string::npos ? job.target : job.target.substr(slash + 1);
        int r;
        if (job.overwrite) {
            r = ::renameat(staging.get(), staged[k].c_str(), dirFd.get(), base.c_str());
        } else {
            r = ::renameat2(staging.get(), staged[k].c_str(), dirFd.get(), base.c_str(),
                            RENAME_NOREPLACE);
            if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
                // A file system without the flag: a hard link refuses an existing name as well.
                r = ::linkat(staging.get(), staged[k].c_str(), dirFd.get(), base.c_str(), 0);
                if (r == 0) ::unlinkat(staging.get(), staged[k].c_str(), 0);
            }
        }
        if (r == 0) {
            staged[k].clear();
        } else if (!job.overwrite && errno == EEXIST) {
            ::unlinkat(staging.get(), staged[k].c_str(), 0);
            staged[k].clear();
            job.result = {CopyOutcome::TargetExists, {}};
        } else {
            failed(k, errno);
        }
    }

    ::unlinkat(dirFd.get(), stagingName.c_str(), AT_REMOVEDIR);
    staging.reset();
    if (trackForSignals_) signalcleanup::setStagingDirectory({});
    // The new names reach the disk, all with one flush of the directory.
    if (::fsync(dirFd.get()) != 0) {
        err = errno;
        for (SaveJob* job : jobs)
            if (job->result.outcome == CopyOutcome::Copied)
                job->result = copyFailure(EIO, "文件可能没有写到磁盘上：" + reason(err));
    }
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

std::unique_ptr<BodySpool> PosixFileSystem::createSpool(const std::string& path,
                                                        FileStatus& status) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        status = FileStatus::failed(describe("创建", path, errno));
        return nullptr;
    }
    status = {};
    return std::make_unique<PosixSpool>(fd, path);
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

bool isStagingName(std::string_view name) {
    constexpr std::size_t kDigits = 16;
    const std::string_view prefix = PosixFileSystem::kStagingPrefix;
    if (name.size() != prefix.size() + kDigits || !name.starts_with(prefix)) return false;
    for (char c : name.substr(prefix.size()))
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
                if (!isStagingName(name)) return;
                Fd dir(abandonedEntry(target.get(), name.c_str(), true, before));
                if (!dir) return;
                forEachEntry(dir.get(), [&](const std::string& file) {
                    ::unlinkat(dir.get(), file.c_str(), 0);
                });
                if (::unlinkat(target.get(), name.c_str(), AT_REMOVEDIR) == 0) ++removed;
            });
        }
    }
    return removed;
}

}  // namespace kavelup
