#pragma once

#include <iosfwd>

#include <nlohmann/json.hpp>

#include "tubra/model/Document.h"

namespace tubra::cli {

// The whole document as JSON (texts in UTF-8): "drawing", "settings", "objects",
// "characteristic", "title" and "report".
nlohmann::ordered_json documentJson(const tubra::model::Document& doc);

// The same text as documentJson(doc).dump(2), written as it goes: one object at a time is
// held as JSON, so a drawing of many objects takes little memory beyond the document.
void writeDocumentJson(const tubra::model::Document& doc, std::ostream& out);

}  // namespace tubra::cli
