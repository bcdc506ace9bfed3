#include "tubra/exchange/PcfSymbols.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "text/Gbk.h"
#include "tubra/model/Kinds.h"

namespace tubra::exchange {

namespace {

// The symbols a record of each identifier may be drawn with, and the one taken when nothing
// tells which. `needsKey`: several symbols are possible, so a record that neither names its
// kind nor has a known symbol key is reported.
struct KindRow {
    std::string_view identifier;
    int generic;
    bool needsKey;
    std::array<int, 14> symbols;  // 0 ends the list
};

constexpr KindRow kKinds[] = {
    {"VALVE", 13, true, {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 54}},
    {"VALVE-ANGLE", 54, false, {54}},
    {"INSTRUMENT", 11, true, {9, 10, 11, 25, 23}},
    {"MISC-COMPONENT", 53, true, {48, 49, 51, 52, 53}},
    {"FLANGE", 4, false, {4}},
    {"FLANGE-BLIND", 50, false, {50, 51}},
    {"CAP", 46, false, {46, 47}},
    {"FILTER", 53, false, {53}},
    {"REDUCER-CONCENTRIC", 6, false, {6, 7}},
    {"REDUCER-ECCENTRIC", 6, false, {6, 7}},
    {"SUPPORT", 32, true, {32, 33, 34, 35, 42}},
    {"END-CONNECTION-EQUIPMENT", 41, false, {41}},
};

// Symbol keys: the letters a key starts with (the last two letters of a four-letter key tell
// the end connection, FL flanged, BW butt-welded, SW socket-welded, SC screwed, ...).
struct KeyRow {
    std::string_view identifier;
    std::string_view prefix;
    int symbol;
};

constexpr KeyRow kKeys[] = {
    {"VALVE", "VT", 13},  // gate
    {"VALVE", "VS", 13},  // slide: drawn as a gate valve
    {"VALVE", "VV", 13},  // a valve of no particular kind: drawn as a gate valve
    {"VALVE", "VG", 14},  // globe
    {"VALVE", "VP", 15},  // plug
    {"VALVE", "VK", 15},  // cock
    {"VALVE", "VD", 16},  // diaphragm
    {"VALVE", "VY", 17},  // butterfly
    {"VALVE", "VB", 18},  // ball
    {"VALVE", "VX", 19},  // pressure reducing: the throttle valve
    {"VALVE", "CK", 21},  // check
    {"VALVE", "VC", 21},  // check
    {"VALVE", "VN", 22},  // needle
    {"VALVE", "VR", 24},  // relief
    {"VALVE", "VA", 54},  // angle (as the program's export writes it)
    {"VALVE", "AV", 54},  // angle
    {"INSTRUMENT", "FM", 11},     {"INSTRUMENT", "FE", 11},     {"INSTRUMENT", "FI", 11},
    {"INSTRUMENT", "SG", 25},     {"INSTRUMENT", "PI", 9},      {"INSTRUMENT", "PG", 9},
    {"INSTRUMENT", "TI", 10},     {"INSTRUMENT", "TW", 10},     {"INSTRUMENT", "TE", 10},
    {"INSTRUMENT", "CV", 23},  // control valves are drawn as the pneumatic valve
    {"INSTRUMENT", "CA", 23},     {"MISC-COMPONENT", "EX", 48}, {"MISC-COMPONENT", "BJ", 49},
    {"MISC-COMPONENT", "SP", 51}, {"MISC-COMPONENT", "FA", 52}, {"MISC-COMPONENT", "ST", 53},
    {"MISC-COMPONENT", "FR", 53}, {"FLANGE-BLIND", "SP", 51},   {"CAP", "PL", 47},
    {"SUPPORT", "RS", 32},        {"SUPPORT", "RE", 32},        {"SUPPORT", "SP", 33},
    {"SUPPORT", "AN", 34},        {"SUPPORT", "GU", 35},        {"SUPPORT", "SL", 35},
    {"SUPPORT", "CO", 42},
};

// Words of a description that tell the kind (upper case; Chinese words in UTF-8).
struct WordRow {
    std::string_view identifier;
    std::string_view word;
    int symbol;
};

constexpr WordRow kWords[] = {
    {"VALVE", "BUTTERFLY", 17},
    {"VALVE", "GATE", 13},
    {"VALVE", "GLOBE", 14},
    {"VALVE", "DIAPHRAGM", 16},
    {"VALVE", "NEEDLE", 22},
    {"VALVE", "CHECK", 21},
    {"VALVE", "NON-RETURN", 21},
    {"VALVE", "SAFETY", 24},
    {"VALVE", "RELIEF", 24},
    {"VALVE", "CONTROL", 23},
    {"VALVE", "PNEUMATIC", 23},
    {"VALVE", "ACTUATED", 23},
    {"VALVE", "THROTTL", 19},
    {"VALVE", "REDUCING", 19},
    {"VALVE", "Y-TYPE", 20},
    {"VALVE", "Y-PATTERN", 20},
    {"VALVE", "BALL", 18},
    {"VALVE", "PLUG", 15},
    {"VALVE", "COCK", 15},
    {"VALVE", "止回", 21},
    {"VALVE", "截止", 14},
    {"INSTRUMENT", "SIGHT", 25},
    {"INSTRUMENT", "FLOW", 11},
    {"INSTRUMENT", "CONTROL", 23},
    {"INSTRUMENT", "PRESSURE", 9},
    {"INSTRUMENT", "THERMO", 10},
    {"INSTRUMENT", "TEMP", 10},
    {"MISC-COMPONENT", "BELLOW", 48},
    {"MISC-COMPONENT", "EXPANSION", 48},
    {"MISC-COMPONENT", "SPECTACLE", 51},
    {"MISC-COMPONENT", "FLAME", 52},
    {"MISC-COMPONENT", "STRAINER", 53},
    {"MISC-COMPONENT", "FILTER", 53},
    {"FLANGE-BLIND", "SPECTACLE", 51},
    {"FLANGE-BLIND", "FIGURE", 51},
    {"CAP", "PLUG", 47},
    {"SUPPORT", "SPRING", 33},
    {"SUPPORT", "弹簧", 33},
    {"SUPPORT", "ANCHOR", 34},
    {"SUPPORT", "FIXED", 34},
    {"SUPPORT", "GUIDE", 35},
    {"SUPPORT", "SLID", 35},
    {"SUPPORT", "导向", 35},
    {"SUPPORT", "COLUMN", 42},
    {"SUPPORT", "RIGID", 32},
    {"SUPPORT", "REST", 32},
};

const KindRow* kindOf(std::string_view identifier) {
    for (const KindRow& k : kKinds)
        if (k.identifier == identifier) return &k;
    return nullptr;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

PcfSymbolChoice pcfSymbolOf(std::string_view identifier, std::string_view skey,
                            std::string_view description) {
    const KindRow* kind = kindOf(identifier);
    if (!kind) return {};
    // 1. The drawing's own name of a symbol the identifier may take (the longest that fits,
    //    so that 8字盲板 is not read as 盲板).
    std::vector<int> names;
    for (int s : kind->symbols)
        if (s) names.push_back(s);
    std::sort(names.begin(), names.end(), [](int a, int b) {
        return model::symbolName(a).size() > model::symbolName(b).size();
    });
    for (int s : names)
        if (text::gbkFind(description, text::gbk(model::symbolName(s))) != std::string::npos)
            return {s, false};
    // 2. Words of the description.
    const std::string upper = upperAscii(description);
    for (const WordRow& w : kWords) {
        if (w.identifier != identifier) continue;
        const bool ascii = static_cast<unsigned char>(w.word.front()) < 0x80;
        const std::string_view word = ascii ? w.word : std::string_view(text::gbk(w.word));
        if (text::gbkFind(ascii ? std::string_view(upper) : description, word) != std::string::npos)
            return {w.symbol, false};
    }
    // 3. The symbol key: first as this program writes it (the kinds' own rows), then by the
    //    letters other programs start their keys with.
    if (const auto own = model::fromPcfKey(identifier, skey); own && own->subType > 0 &&
        std::find(kind->symbols.begin(), kind->symbols.end(), own->subType) != kind->symbols.end())
        return {own->subType, false};
    for (const KeyRow& k : kKeys)
        if (k.identifier == identifier && skey.substr(0, k.prefix.size()) == k.prefix)
            return {k.symbol, false};
    return {kind->generic, kind->needsKey};
}

}  // namespace tubra::exchange
