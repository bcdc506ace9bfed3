#include "tubra/layout/PipeSizes.h"

#include <cmath>
#include <cstdlib>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Kinds.h"

namespace tubra::layout {

namespace {

// The plain decimal at `s[i]`, or none; `i` ends after it.
std::optional<double> numberAt(std::string_view s, std::size_t& i) {
    const std::size_t start = i;
    bool digits = false, point = false;
    while (i < s.size()) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits) {
        i = start;
        return std::nullopt;
    }
    return std::strtod(std::string(s.substr(start, i - start)).c_str(), nullptr);
}

std::string shortDecimal(double v, int decimals) {
    std::string s;
    text::appendFixed(s, v, decimals);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool plausible(double od, double wall, double bore) {
    if (!(od > 0.0 && wall > 0.0 && wall <= od / 4.0 && wall >= 0.3)) return false;
    return bore <= 0.0 || (od >= bore * 0.9 && od <= bore * 1.6 + 15.0);
}

bool namesThisProgramsKind(std::string_view description) {
    const std::string_view d = text::trimBlanks(description);
    if (d.empty()) return false;
    for (std::string_view n : {"主线管", "支线管", "弯头", "三通", "焊缝"})
        if (d == text::gbk(n)) return true;
    for (const model::SymbolRow& row : model::allSymbols())
        if (d == text::gbk(row.name)) return true;
    return false;
}

const std::string* materialsDescription(const exchange::PcfRecord& r,
                                        const exchange::PcfFile& file) {
    for (const std::string* key : {&r.itemCode, r.attribute("MATERIAL-IDENTIFIER")}) {
        if (!key || key->empty()) continue;
        const auto it = file.materials.find(*key);
        if (it != file.materials.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace

bool writtenByThisProgram(const exchange::PcfRecord& record) {
    return namesThisProgramsKind(record.description);
}

const std::vector<NominalSize>& nominalSizes() {
    static const std::vector<NominalSize> table = {
        {6, 0.125, 10.3, 1.73},   {8, 0.25, 13.7, 2.24},    {10, 0.375, 17.1, 2.31},
        {15, 0.5, 21.3, 2.77},    {20, 0.75, 26.7, 2.87},   {25, 1, 33.4, 3.38},
        {32, 1.25, 42.2, 3.56},   {40, 1.5, 48.3, 3.68},    {50, 2, 60.3, 3.91},
        {65, 2.5, 73.0, 5.16},    {80, 3, 88.9, 5.49},      {90, 3.5, 101.6, 5.74},
        {100, 4, 114.3, 6.02},    {125, 5, 141.3, 6.55},    {150, 6, 168.3, 7.11},
        {200, 8, 219.1, 8.18},    {250, 10, 273.0, 9.27},   {300, 12, 323.8, 9.53},
        {350, 14, 355.6, 9.53},   {400, 16, 406.4, 9.53},   {450, 18, 457.0, 9.53},
        {500, 20, 508.0, 9.53},   {550, 22, 559.0, 9.53},   {600, 24, 610.0, 9.53},
        {650, 26, 660.0, 9.53},   {700, 28, 711.0, 9.53},   {750, 30, 762.0, 9.53},
        {800, 32, 813.0, 9.53},   {850, 34, 864.0, 9.53},   {900, 36, 914.0, 9.53},
        {1000, 40, 1016.0, 9.53}, {1050, 42, 1067.0, 9.53}, {1100, 44, 1118.0, 9.53},
        {1200, 48, 1219.0, 9.53},
    };
    return table;
}

std::optional<NominalSize> nominalSize(double boreMm, double inches) {
    for (const NominalSize& n : nominalSizes()) {
        if (inches > 0.0 ? std::fabs(n.inches - inches) < 0.01 : std::fabs(n.dn - boreMm) < 0.01)
            return n;
    }
    return std::nullopt;
}

std::string sizeText(double od, double wall) {
    return text::gbk("φ") + shortDecimal(od, 1) + text::gbk("×") + shortDecimal(wall, 2);
}

std::optional<std::string> statedSize(std::string_view s, double boreMm) {
    const std::string phi = text::gbk("φ"), bigPhi = text::gbk("Φ"), times = text::gbk("×");
    const std::string up = upperAscii(s);
    // Where a diameter may follow: a diameter sign, "OD", or nothing.
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool marked = false;
        std::size_t at = i;
        if (s.compare(i, phi.size(), phi) == 0 || s.compare(i, bigPhi.size(), bigPhi) == 0) {
            at = i + phi.size();
            marked = true;
        } else if (up.compare(i, 2, "OD") == 0) {
            at = i + 2;
            while (at < s.size() && (s[at] == ' ' || s[at] == '=' || s[at] == ':')) ++at;
            marked = true;
        } else if (i > 0 && ((s[i - 1] >= '0' && s[i - 1] <= '9') || s[i - 1] == '.')) {
            continue;  // inside a number
        } else if (static_cast<unsigned char>(s[i]) >= 0x80) {
            if (i + 1 < s.size()) ++i;  // the second byte of a character is never a digit
            continue;
        }
        std::size_t k = at;
        const auto od = numberAt(s, k);
        if (!od) continue;
        std::size_t after = k;
        while (after < s.size() && s[after] == ' ') ++after;
        if (up.compare(after, 2, "MM") == 0) after += 2;
        while (after < s.size() && s[after] == ' ') ++after;
        bool separated = false;
        if (s.compare(after, times.size(), times) == 0) {
            after += times.size();
            separated = true;
        } else if (after < s.size() && (s[after] == 'x' || s[after] == 'X' || s[after] == '*')) {
            ++after;
            separated = true;
        } else if (up.compare(after, 2, "WT") == 0) {
            after += 2;
            separated = true;
        }
        if (!separated) continue;
        while (after < s.size() && (s[after] == ' ' || s[after] == '=' || s[after] == ':')) ++after;
        if (up.compare(after, 2, "WT") == 0) {
            after += 2;
            while (after < s.size() && (s[after] == ' ' || s[after] == '=' || s[after] == ':'))
                ++after;
        }
        const auto wall = numberAt(s, after);
        if (!wall) continue;
        // An unmarked pair of numbers is a size only when it fits the bore ("150 X 100" on a
        // reducer is two bores).
        if (!plausible(*od, *wall, marked ? 0.0 : boreMm) || (!marked && boreMm <= 0.0)) continue;
        return sizeText(*od, *wall);
    }
    return std::nullopt;
}

std::string sizeOf(const exchange::PcfRecord& r, const exchange::PcfFile& file,
                   const exchange::PcfPoint& end) {
    // The size text the program's own export writes beside its kind's name.
    if (namesThisProgramsKind(r.description))
        if (const std::string* s = r.attribute("COMPONENT-ATTRIBUTE2"); s && !s->empty()) return *s;
    if (end.bore <= 0.0) return {};
    for (const exchange::PcfAttribute& a : r.attributes)
        if (a.key.rfind("COMPONENT-ATTRIBUTE", 0) == 0)
            if (const auto s = statedSize(a.value, end.bore)) return *s;
    if (const auto s = statedSize(r.description, end.bore)) return *s;
    if (const std::string* d = materialsDescription(r, file))
        if (const auto s = statedSize(*d, end.bore)) return *s;
    if (const auto n = nominalSize(end.bore, end.inches)) return sizeText(n->od, n->wall);
    return "DN" + shortDecimal(end.bore, 1);
}

double wallOf(std::string_view size) {
    const std::string times = text::gbk("×");
    const std::size_t at = text::gbkFind(size, times);
    std::size_t i = at == std::string::npos ? size.find_first_of("xX*") : at + times.size();
    if (i == std::string::npos) return 0.0;
    if (at == std::string::npos) ++i;
    const auto w = numberAt(size, i);
    return w && *w > 0.0 && *w < 1000.0 ? *w : 0.0;
}

std::string materialIn(std::string_view s) {
    // Words: runs of ASCII letters, digits and the marks grades are written with.
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        const bool part = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                          (c >= 'a' && c <= 'z') || c == '.' || c == '-' || c == '#';
        if (part) {
            word += static_cast<char>(c);
            continue;
        }
        if (!word.empty()) words.push_back(std::move(word));
        word.clear();
        if (c >= 0x80 && i + 1 < s.size()) ++i;
    }
    if (!word.empty()) words.push_back(std::move(word));
    auto digitsFrom = [](const std::string& w, std::size_t from, std::size_t n) {
        if (w.size() < from + n) return false;
        for (std::size_t k = from; k < from + n; ++k)
            if (w[k] < '0' || w[k] > '9') return false;
        return true;
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const std::string u = upperAscii(w);
        // ASTM grades: A106, A106-B, A106B, A312-TP316L, with a following "GR.B", "WPB", ...
        if (u.size() >= 4 && u[0] == 'A' && digitsFrom(u, 1, 3) &&
            (u.size() == 4 || !(u[4] >= '0' && u[4] <= '9'))) {
            std::string out = u;
            if (u.size() == 4 && i + 1 < words.size()) {
                const std::string next = upperAscii(words[i + 1]);
                if (next.rfind("GR", 0) == 0 || next == "B" || next.rfind("WP", 0) == 0 ||
                    next.rfind("TP", 0) == 0 || next.rfind("F", 0) == 0 || next.rfind("P", 0) == 0)
                    out += " " + (next == "GR" && i + 2 < words.size()
                                      ? next + " " + upperAscii(words[i + 2])
                                      : next);
            }
            return out;
        }
        // Chinese grades: 20#, Q235B, 16Mn, 0Cr18Ni9, 15CrMo, and stainless 304, 316L.
        if (w.size() >= 2 && w.back() == '#' && digitsFrom(w, 0, w.size() - 1)) return w;
        if (u.size() >= 4 && u[0] == 'Q' && digitsFrom(u, 1, 3)) return u;
        if (w.find("Cr") != std::string::npos && w.find_first_of("0123456789") != std::string::npos)
            return w;
        if (u.rfind("16MN", 0) == 0) return w;
        for (std::string_view ss : {"304", "316", "321", "310", "SS304", "SS316"})
            if (u.rfind(ss, 0) == 0 && u.size() <= ss.size() + 1) return u;
    }
    return {};
}

std::string materialOf(const exchange::PcfRecord& r, const exchange::PcfFile& file) {
    // The material the program's own export writes beside its kind's name.
    if (namesThisProgramsKind(r.description))
        if (const std::string* m = r.attribute("COMPONENT-ATTRIBUTE1")) return *m;
    for (const exchange::PcfAttribute& a : r.attributes) {
        if (a.key.rfind("MATERIAL-", 0) != 0 || a.key == "MATERIAL-IDENTIFIER" ||
            a.key == "MATERIAL-LIST")
            continue;
        if (!a.value.empty()) return std::string(text::gbkCut(a.value, 40));
    }
    std::string m = materialIn(r.description);
    if (m.empty())
        if (const std::string* d = materialsDescription(r, file)) m = materialIn(*d);
    return m;
}

}  // namespace tubra::layout
