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

class FileBytes;

// Files at least this large are mapped by default.
inline constexpr std::size_t kMapFilesFrom = std::size_t{256} << 10;

// As readRegularFile above, with the same errors and limits, into `out`: a file of `mapFrom`
// bytes or more is mapped when the system allows, anything else is read into a string. A
// mapped file's size is the one it had when it was opened, whatever it grows to since.
Result<> readRegularFile(const std::filesystem::path& path, FileBytes& out, std::size_t maxBytes,
                         std::size_t mapFrom = kMapFilesFrom);

// The bytes of a regular file as readRegularFile(path, FileBytes&, ...) gives them: a large file
// is mapped from the system's cache of it instead of copied into fresh memory, a small one (or
// one the system cannot map) is read into a string. Move-only; the bytes stay valid while it
// lives and is not read into again.
//
// Another program may cut a mapped file short while its bytes are looked at. Touching a page
// that is gone would end the program (SIGBUS); instead that page reads as zeros from then on
// and damaged() says so: the bytes are then not what the file holds, and the caller reads the
// file again (into a string) to get what it holds now. The same holds for a page the disk
// fails to give. Bytes another program writes into the file while it is mapped may be seen,
// as they may be by a read in progress.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    std::string_view view() const { return map_ ? std::string_view(map_, mapSize_) : std::string_view(copy_); }
    bool mapped() const { return map_ != nullptr; }
    // Whether a page of the mapping went missing since it was made (see above).
    bool damaged() const;
    void clear();

private:
    friend Result<> readRegularFile(const std::filesystem::path&, FileBytes&, std::size_t, std::size_t);
    std::string copy_;
    const char* map_ = nullptr;
    std::size_t mapSize_ = 0;
    int guard_ = -1;
};

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
