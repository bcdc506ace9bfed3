#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace manager::cli {

std::string usageText();
void usage(std::FILE* out);
// Runs one command with its arguments; returns the exit code.
int run(std::string_view command, const std::vector<std::string>& args);

}  // namespace manager::cli
