#pragma once
// Directories of realistic drawings for the manager's benchmarks: generated pipelines of 40 to
// 200 objects with their characteristic tables, title blocks and, for about a third of them,
// full-inspection reports.

#include <cstdint>
#include <filesystem>

namespace manager::bench {

// Writes `count` drawings "pipe-00001.hcd", ... into `dir` (created when missing). Returns the
// number of bytes written.
std::uintmax_t writeDrawingDirectory(const std::filesystem::path& dir, int count, std::uint32_t seed = 1);

}  // namespace manager::bench
