#pragma once
// Where the exchange file may be written: never over a drawing, through a link or directly,
// and never over the file it is made from.

#include <filesystem>
#include <optional>
#include <string>

namespace tubra::exchange {

// Why `out` may not take the exchange file of the drawing at `drawing` (empty for a drawing not
// saved yet), for the user (UTF-8); none when it may.
std::optional<std::string> pcfTargetRefusal(const std::filesystem::path& out,
                                            const std::filesystem::path& drawing);

}  // namespace tubra::exchange
