#pragma once
// The bill of materials of a drawing: pipe length per material and size, and the pieces by
// kind (elbows, tees, valves, fittings, supports, welds) per kind, material and size. Lengths
// are the pipes' length texts, as the characteristic table's automatic statistics count them
// (a text that states no length counts as unknown, and the list says how many there are), so
// the totals here equal those statistics. Lists of several drawings add up.
//
// Texts are UTF-8 (the drawings' GBK converted).

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "tubra/model/ObjectList.h"

namespace tubra::exchange {

// The group of each kind is said by its row (tubra/model/Kinds.cpp).
using model::MaterialGroup;
using model::kMaterialGroupCount;

// The group's name as the lists show it: "管子", "弯头", "三通", "阀门", "管件", "支架", "焊缝".
const char* materialGroupName(MaterialGroup g);

struct MaterialKey {
    MaterialGroup group = MaterialGroup::Pipe;
    std::string name;      // the kind: "管子", "闸阀", "法兰", ...
    std::string material;  // the object's material grade
    std::string size;      // its size (规格), e.g. "φ100×10"
    auto operator<=>(const MaterialKey&) const = default;
};

struct MaterialAmount {
    double millimetres = 0.0;  // pipes: length
    long count = 0;            // pieces (pipes: segments)
    long unknownLengths = 0;   // pipes: segments whose length text states no length (not in `millimetres`)
};

struct MaterialList {
    std::map<MaterialKey, MaterialAmount> items;
    int drawings = 0;

    // Totals by group: pieces, and for pipes also their length.
    long count(MaterialGroup g) const;
    double pipeMillimetres() const;
    double pipeMetres() const { return pipeMillimetres() / 1000.0; }
    // Segments whose length text states no length, left out of the lengths.
    long unknownPipeLengths() const;

    MaterialList& operator+=(const MaterialList& other);
};

// The list of one drawing.
MaterialList countMaterials(const model::ObjectList& objects);

// A length as every list shows it, one rounding for all: metres to the millimetre, a half
// millimetre away from zero (3600.5 mm is 3.601 m).
double shownMetres(double millimetres);
std::string shownMetresText(double millimetres);  // "3.601"

// The quantity of a row as the lists write it: the shown metres for pipes, else the count.
std::string materialQuantity(const MaterialKey& key, const MaterialAmount& amount);
const char* materialUnit(MaterialGroup g);

// The column titles of the lists.
const std::vector<std::string>& materialColumns();

// The list as CSV (UTF-8 with a byte-order mark, so spreadsheets read it as such; CR LF).
// Drawings come from other parties: a text cell that a spreadsheet would take for a formula
// (one starting with "=", "+", "-", "@", TAB or CR) starts with "'", which spreadsheets read as
// "this is text" and do not show.
std::string materialsCsv(const MaterialList& list);
// One CSV text cell as materialsCsv writes it: neutralised, then quoted when it holds a comma,
// a quote or a line break.
std::string csvTextCell(std::string_view utf8);
// The list as JSON (UTF-8): rows and the totals by group.
std::string materialsJson(const MaterialList& list);

}  // namespace tubra::exchange
