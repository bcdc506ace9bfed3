#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

}  // namespace

std::error_code writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                                    const AtomicWriteOptions& options) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Write beside the real file when the target is a symbolic link, so the link survives.
    fs::path path = target;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) path = resolved;
    }
    ec.clear();
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";

    mode_t mode = static_cast<mode_t>(options.mode);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        mode = st.st_mode & 07777;
    }

    std::string tmpl = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    Fd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0) return lastError();
    const std::string tmpName(name.data());

    auto fail = [&](std::error_code e) {
        ::close(fd.release());
        ::unlink(tmpName.c_str());
        return e;
    };

    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const std::size_t chunk = left < (1u << 30) ? left : (1u << 30);
        const ssize_t n = options.write ? options.write(fd.get(), p, chunk) : ::write(fd.get(), p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(lastError());
        }
        if (n == 0) return fail(std::make_error_code(std::errc::no_space_on_device));
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fchmod(fd.get(), mode) != 0) return fail(lastError());
    if (::fsync(fd.get()) != 0) return fail(lastError());
    if (::close(fd.release()) != 0) {
        const auto e = lastError();
        ::unlink(tmpName.c_str());
        return e;
    }
    if (::rename(tmpName.c_str(), path.c_str()) != 0) {
        const auto e = lastError();
        ::unlink(tmpName.c_str());
        return e;
    }
    // Make the rename itself durable.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) ::fsync(dirFd.get());
    return {};
}

std::error_code readWholeFile(const std::filesystem::path& path, std::string& out) {
    out.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return lastError();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return lastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
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
        out.append(buf, static_cast<std::size_t>(n));
    }
    return {};
}

std::string describe(const std::error_code& ec) { return systemErrorText(ec); }

}  // namespace platform
