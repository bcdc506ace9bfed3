#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "tubra/model/Document.h"

namespace tubra::cli {

// The whole document as JSON (texts in UTF-8): "drawing", "settings", "objects",
// "characteristic", "title" and "report".
nlohmann::ordered_json documentJson(const tubra::model::Document& doc);

// The same text as documentJson(doc).dump(2), written as it goes: one object at a time is
// held as JSON, so a drawing of many objects takes little memory beyond the document.
void writeDocumentJson(const tubra::model::Document& doc, std::ostream& out);

// `value` dumped with an indent of two, every line after the first moved right by `indent`: a
// part of a larger document written as it goes.
std::string dumpAt(const nlohmann::ordered_json& value, std::string_view indent);

// `items` as the array a dump with an indent of two writes at `indent`, each item made by
// `item` and written at once.
template <typename Items, typename Item>
void writeArrayAt(std::ostream& out, const Items& items, std::string_view indent, Item&& item);

template <typename Items, typename Item>
void writeArrayAt(std::ostream& out, const Items& items, std::string_view indent, Item&& item) {
    const std::string inner = std::string(indent) + "  ";
    bool first = true;
    for (const auto& i : items) {
        out << (first ? "[\n" : ",\n") << inner << dumpAt(item(i), inner);
        first = false;
    }
    out << (first ? "[]" : "\n" + std::string(indent) + "]");
}

}  // namespace tubra::cli
