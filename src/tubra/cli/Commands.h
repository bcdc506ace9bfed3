#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tubra/model/Document.h"

namespace tubra::cli {

int runInfo(int argc, char** argv);
int runJson(int argc, char** argv);
int runResave(int argc, char** argv);

// Commands that need more than the model (rendering, printing), present when built.
struct Command {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
};
std::vector<Command> extraCommands();

// The program's shared state with the report store installed.
tubra::model::AppContext& appContext();

// Opens a drawing; on failure prints one line to stderr and returns null.
std::unique_ptr<tubra::model::Document> openOrReport(const char* path);

}  // namespace tubra::cli
