#pragma once

#include <nlohmann/json.hpp>

#include "tubra/model/Document.h"

namespace tubra::cli {

// The whole document as JSON (texts in UTF-8): "drawing", "settings", "objects",
// "characteristic", "title" and "report".
nlohmann::ordered_json documentJson(const tubra::model::Document& doc);

}  // namespace tubra::cli
