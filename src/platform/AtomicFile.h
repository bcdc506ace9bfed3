#pragma once
// Replacing a file so that it is never left truncated or missing: the data goes to a temporary
// file in the same directory, is flushed and fsynced, and is then renamed over the target.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

namespace platform {

struct AtomicWriteOptions {
    // The write(2) used for the data; tests put a failing one here.
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    // Mode of a newly created file (an existing file keeps its mode).
    unsigned mode = 0644;
};

// Writes `data` to `path` atomically. On failure the old file is untouched, no temporary file
// is left behind, and the error is returned.
std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view data,
                                    const AtomicWriteOptions& options = {});

// Reads a whole file. On failure returns the error and leaves `out` empty.
std::error_code readWholeFile(const std::filesystem::path& path, std::string& out);

// A one-line description of an error for messages: "<what>: <reason>".
std::string describe(const std::error_code& ec);

}  // namespace platform
