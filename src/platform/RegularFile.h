#pragma once
// Reading a file that a user or another program may have put anything under a drawing's name:
// a FIFO, a link to a device, a file of gigabytes. Nothing here blocks on such a file or reads
// it without end: the type is checked before the file is opened (and again on the open file),
// the open never waits for a writer, the size is limited, and running out of memory is an
// error like any other.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Result.h"

namespace platform {

// Reads the regular file at `path` (a symbolic link is followed) into `out`, whose storage is
// reused from call to call. Errors: FileError::notRegularFile for a FIFO, device or socket
// (such a file is never opened), std::errc::is_a_directory, FileError::tooLarge beyond
// `maxBytes` (also for a file that grows past it while read), std::errc::not_enough_memory
// when its bytes cannot be held, and the system's own errors. On failure `out` is empty.
Result<> readRegularFile(const std::filesystem::path& path, std::string& out, std::size_t maxBytes);

// Whether a regular file holds exactly the bytes handed to it piece by piece, read as they come
// so that a large file is never held whole. Anything but a readable regular file holds nothing.
class FileComparison {
public:
    explicit FileComparison(const std::filesystem::path& path);
    ~FileComparison();
    FileComparison(const FileComparison&) = delete;
    FileComparison& operator=(const FileComparison&) = delete;

    // The file's next bytes are compared with `piece`; after a difference nothing more is read.
    void next(std::string_view piece);
    // Whether every piece matched and the file ends right after the last one.
    bool same();

private:
    int fd_ = -1;
    bool same_ = false;
    std::string buffer_;
};

}  // namespace platform
