#pragma once
// Replacing a file so that it is never left truncated or missing: the data goes to a temporary
// file in the same directory, is flushed and fsynced, and is then renamed over the target.
//
// The temporary file has no name while it is written (O_TMPFILE) where the file system allows,
// so a save that is killed leaves nothing behind; elsewhere it is a short hidden name beside the
// target, locked while in use, and the next save of the same file removes such leftovers.
// A replaced file keeps its mode, and its owner and group where the user may set them; a new
// file gets the usual mode less the umask.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include <sys/types.h>

#include "platform/Result.h"

namespace platform {

// Why a file was refused, beside the system's own errors.
enum class FileError {
    readOnly = 1,    // the target has no write permission for us
    notRegularFile,  // a device, a FIFO, a socket, or a link to one of them
    danglingLink,    // a symbolic link to nothing
    tooLarge,        // more than a reader keeps
};

const std::error_category& fileErrorCategory();
inline std::error_code make_error_code(FileError e) {
    return {static_cast<int>(e), fileErrorCategory()};
}

}  // namespace platform

template <>
struct std::is_error_code_enum<platform::FileError> : std::true_type {};

namespace platform {

struct AtomicWriteOptions {
    // The write(2) used for the data, the fsync(2) of the written file and the renameat(2)
    // that puts it in place; tests put failing ones here.
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int dirFd, const char* from, const char* to)> rename;
    // Mode of a newly created file, before the umask (an existing file keeps its mode).
    unsigned mode = 0666;
    // Whether the unnamed temporary file is tried first; off only to exercise the fallback.
    bool unnamedTemporary = true;
    // Whether a target without write permission is refused (FileError::readOnly).
    bool refuseReadOnly = true;
};

// Writes `data` to `path` atomically. A symbolic link is followed, so the link survives and the
// file it points to is replaced. Refuses a directory, anything that is not a regular file and,
// unless told otherwise, a file without write permission. On failure the old file is untouched,
// no temporary file is left behind, and the result holds the error.
Result<> writeFileAtomically(const std::filesystem::path& path, std::string_view data,
                                const AtomicWriteOptions& options = {});

// Writes what `produce` hands to `write`, piece by piece, atomically as writeFileAtomically
// does: for data made as it is written, which then never lies whole in memory. The first
// error of `write` (or `produce`'s own) fails the whole write; the target is then untouched.
using PieceWriter = std::function<std::error_code(std::string_view piece)>;
Result<> writeFileAtomicallyInPieces(const std::filesystem::path& path,
                                        const std::function<std::error_code(const PieceWriter& write)>& produce,
                                        const AtomicWriteOptions& options = {});

// A writer that can only write to a path of its own choosing (a library that opens the file
// itself): it fills the file at `temporary`, which exists and is empty, and returns its error.
using FileProducer = std::function<std::error_code(const std::filesystem::path& temporary)>;

// As writeFileAtomically, for data that `produce` writes: it is given a hidden temporary file
// beside the target, which then replaces the target. When `produce` fails the target is
// untouched, the temporary file is removed and the result holds `produce`'s error.
Result<> writeFileAtomicallyWith(const std::filesystem::path& path, const FileProducer& produce,
                                    const AtomicWriteOptions& options = {});

// The hidden name a save of `fileName` uses for its temporary file when it needs one, for a
// directory whose names hold at most `nameMax` bytes: `fileName` shortened to fit, then a
// fixed mark and six random characters (shown here as "XXXXXX").
std::string temporaryNamePattern(std::string_view fileName, std::size_t nameMax = 255);
// Whether `name` is such a temporary name, of any file.
bool isTemporaryName(std::string_view name);

// Reads a whole file of at most `maxBytes` bytes (FileError::tooLarge beyond). On failure
// `out` is left empty.
Result<> readWholeFile(const std::filesystem::path& path, std::string& out,
                              std::size_t maxBytes = static_cast<std::size_t>(-1));

// A one-line description of an error for messages: "<what>: <reason>".
std::string describe(const std::error_code& ec);

}  // namespace platform
