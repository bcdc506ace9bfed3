#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/model/Document.h"

namespace tubra::cli {

int runInfo(int argc, char** argv);
int runJson(int argc, char** argv);
int runResave(int argc, char** argv);

// The program's shared state with the report store installed.
tubra::model::AppContext& appContext();

// Why `out` may not take what a command writes other than a drawing (a picture, a PDF): it is
// one of the command's `inputs`, or an existing drawing file (`*.hcd`, any letter case), which
// only the commands that save drawings replace. Empty when it may.
std::string refusedOutput(const std::filesystem::path& out, std::initializer_list<std::filesystem::path> inputs);

// A wrong command line of one command: what is wrong, then its usage (without "tubra-cli").
void usageError(std::string_view message, std::string_view usage);

// Opens a drawing; on failure prints one line to stderr and returns null.
std::unique_ptr<tubra::model::Document> openOrReport(const char* path);

}  // namespace tubra::cli
