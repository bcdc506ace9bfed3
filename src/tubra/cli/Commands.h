#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tubra/model/Document.h"

namespace tubra::cli {

int runInfo(int argc, char** argv);
int runJson(int argc, char** argv);
int runResave(int argc, char** argv);

// The program's shared state with the report store installed.
tubra::model::AppContext& appContext();

// Opens a drawing; on failure prints one line to stderr and returns null.
std::unique_ptr<tubra::model::Document> openOrReport(const char* path);

}  // namespace tubra::cli
