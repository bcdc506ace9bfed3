#include "tubra/exchange/PcfFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::exchange {

const std::string* PcfRecord::attribute(std::string_view key) const {
    for (const PcfAttribute& a : attributes)
        if (a.key == key) return &a.value;
    return nullptr;
}

namespace {

// Distinct names of skipped records and attributes kept; the rest are counted under one name.
constexpr std::size_t kMostSkippedNames = 64;
constexpr std::string_view kOtherNames = "...";
// Points of one kind kept per component; a component has at most three of any kind.
constexpr std::size_t kMostPoints = 4;
constexpr std::string_view kNotPcf =
    "不是 PCF 文件：没有 PCF 的记录（如 UNITS-CO-ORDS、PIPELINE-REFERENCE、PIPE）";

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (c < 0x80)
            n = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            n = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 3;
        else
            return false;
        if (i + n >= s.size() && n > 0) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

std::string latin1ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

enum class Kind {
    Header,
    Pipeline,
    Materials,
    Component,
};

// The component identifiers the reader knows.
bool knownIdentifier(std::string_view id) {
    static const std::unordered_set<std::string_view> ids = {"PIPE",
                                                             "ELBOW",
                                                             "BEND",
                                                             "TEE",
                                                             "OLET",
                                                             "REDUCER-CONCENTRIC",
                                                             "REDUCER-ECCENTRIC",
                                                             "FLANGE",
                                                             "FLANGE-BLIND",
                                                             "VALVE",
                                                             "VALVE-ANGLE",
                                                             "INSTRUMENT",
                                                             "CAP",
                                                             "GASKET",
                                                             "BOLT",
                                                             "WELD",
                                                             "SUPPORT",
                                                             "FLOW-ARROW",
                                                             "FILTER",
                                                             "MISC-COMPONENT"};
    return ids.count(id) || startsWith(id, "END-CONNECTION-") || startsWith(id, "MESSAGE-");
}

bool headerKey(std::string_view key) {
    return key == "ISOGEN-FILES" || startsWith(key, "UNITS-");
}

// Attributes of a component block that the reader keeps.
bool knownAttribute(std::string_view key) {
    static const std::unordered_set<std::string_view> keys = {"END-POINT",
                                                              "CENTRE-POINT",
                                                              "BRANCH1-POINT",
                                                              "CO-ORDS",
                                                              "SKEY",
                                                              "ITEM-CODE",
                                                              "ITEM-DESCRIPTION",
                                                              "ANGLE",
                                                              "BEND-RADIUS",
                                                              "FLAT-DIRECTION",
                                                              "DIRECTION",
                                                              "TEXT",
                                                              "CONNECTION-REFERENCE",
                                                              "PIPELINE-REFERENCE",
                                                              "COMPONENT-IDENTIFIER",
                                                              "MASTER-COMPONENT-IDENTIFIER",
                                                              "SUPPORT-DIRECTION"};
    return keys.count(key) || startsWith(key, "COMPONENT-ATTRIBUTE") ||
           startsWith(key, "MATERIAL-") || startsWith(key, "BOLT-");
}

bool pointKey(std::string_view key) {
    return key == "END-POINT" || key == "CENTRE-POINT" || key == "BRANCH1-POINT" ||
           key == "CO-ORDS";
}

struct RawPoint {
    double v[4] = {0, 0, 0, 0};
    bool hasBore = false;
    std::string connection;
};

class Reader {
  public:
    Reader(std::string_view bytes, const PcfLimits& limits) : bytes_(bytes), limits_(limits) {}

    platform::Result<PcfFile> run();

  private:
    bool fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    std::string textOf(std::string_view raw) const;
    void skip(std::map<std::string, std::size_t>& where, const std::string& name) {
        auto it = where.find(name);
        if (it == where.end() && where.size() >= kMostSkippedNames)
            it = where.try_emplace(std::string(kOtherNames), 0).first;
        else if (it == where.end())
            it = where.try_emplace(name, 0).first;
        ++it->second;
    }
    bool line(std::string_view text, std::size_t number);
    bool attribute(std::string_view key, std::string_view rest, std::size_t number);
    bool readPoint(std::string_view rest, std::size_t number, std::string_view key, RawPoint& out);
    bool finish();
    PcfPoint convert(const RawPoint& p) const;
    bool checkCoordinates(const PcfRecord& r);
    bool checkRecord(const PcfRecord& r);
    bool resolveMasters();

    std::string_view bytes_;
    PcfLimits limits_;
    std::string error_;
    PcfFile file_;
    Kind kind_ = Kind::Header;
    bool skippingRecord_ = false;
    bool sawPcfKey_ = false;
    bool sawReference_ = false;
    std::string currentMaterial_;
    // Raw points per record (converted once the units are known).
    struct RawRecord {
        std::vector<RawPoint> ends;
        std::optional<RawPoint> centre, branch, coords;
    };
    std::vector<RawRecord> raw_;
    std::string boreUnit_ = "MM";
    std::string coordUnit_ = "MM";
};

std::string Reader::textOf(std::string_view raw) const {
    raw = trim(raw);
    switch (file_.encoding) {
        case PcfFile::Encoding::Ascii:
        case PcfFile::Encoding::Gbk:
            return std::string(raw);
        case PcfFile::Encoding::Utf8:
            return text::utf8ToGbk(raw);
        case PcfFile::Encoding::Latin1:
            return text::utf8ToGbk(latin1ToUtf8(raw));
    }
    return std::string(raw);
}

bool Reader::readPoint(std::string_view rest, std::size_t number, std::string_view key,
                       RawPoint& out) {
    int count = 0;
    std::size_t pos = 0;
    while (true) {
        while (pos < rest.size() && isBlank(rest[pos])) ++pos;
        if (pos >= rest.size()) break;
        std::size_t end = pos;
        while (end < rest.size() && !isBlank(rest[end])) ++end;
        std::string_view word = rest.substr(pos, end - pos);
        pos = end;
        if (count == 4) {
            // After the bore: the end's connection.
            if (word.size() <= 8) out.connection = upper(word);
            break;
        }
        if (!word.empty() && word.front() == '+') word.remove_prefix(1);
        double v = 0.0;
        const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (ec == std::errc::result_out_of_range)
            return fail(text::format("第 %lu 行 %s 的坐标超出范围：%s",
                                     static_cast<unsigned long>(number), std::string(key),
                                     std::string(word)));
        if (ec != std::errc() || ptr != word.data() + word.size()) {
            // A connection may follow the coordinates where no bore is given; coordinates must
            // be numbers.
            if (count == 3) {
                if (word.size() <= 8) out.connection = upper(word);
                break;
            }
            return fail(text::format("第 %lu 行 %s 的坐标不是数：%s",
                                     static_cast<unsigned long>(number), std::string(key),
                                     text::gbkToUtf8(textOf(word))));
        }
        if (!std::isfinite(v))
            return fail(text::format("第 %lu 行 %s 的坐标不是有限的数：%s",
                                     static_cast<unsigned long>(number), std::string(key),
                                     std::string(word)));
        out.v[count++] = v;
    }
    if (count < 3)
        return fail(text::format("第 %lu 行 %s 少了坐标（要 x y z 三个数）",
                                 static_cast<unsigned long>(number), std::string(key)));
    out.hasBore = count >= 4;
    return true;
}

bool Reader::attribute(std::string_view key, std::string_view rest, std::size_t number) {
    PcfRecord& r = file_.records.back();
    RawRecord& raw = raw_.back();
    if (pointKey(key)) {
        RawPoint p;
        if (!readPoint(rest, number, key, p)) return false;
        if (key == "END-POINT") {
            if (raw.ends.size() < kMostPoints) raw.ends.push_back(p);
        } else if (key == "CENTRE-POINT") {
            if (!raw.centre) raw.centre = p;
        } else if (key == "BRANCH1-POINT") {
            if (!raw.branch) raw.branch = p;
        } else if (!raw.coords) {
            raw.coords = p;
        }
        return true;
    }
    const std::string value = textOf(rest);
    if (key == "SKEY")
        r.skey = upper(trim(rest));
    else if (key == "ITEM-CODE")
        r.itemCode = value;
    else if (key == "ITEM-DESCRIPTION")
        r.description = value;
    else
        r.attributes.push_back({std::string(key), value});
    return true;
}

bool Reader::line(std::string_view text, std::size_t number) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const bool indented = !text.empty() && isBlank(text.front());
    const std::string_view body = trim(text);
    if (body.empty()) return true;
    std::size_t keyEnd = 0;
    while (keyEnd < body.size() && !isBlank(body[keyEnd])) ++keyEnd;
    const std::string key = upper(body.substr(0, keyEnd));
    const std::string_view rest = body.substr(keyEnd);

    // An attribute of the component being read, indented or not (writers differ).
    if (kind_ == Kind::Component && knownAttribute(key) && !(knownIdentifier(key) && !indented)) {
        if (!skippingRecord_) return attribute(key, rest, number);
        // A record the reader does not know keeps only its end points, where it can.
        RawPoint p;
        if (key == "END-POINT" && raw_.back().ends.size() < kMostPoints &&
            readPoint(rest, number, key, p))
            raw_.back().ends.push_back(p);
        error_.clear();
        return true;
    }
    if (kind_ == Kind::Materials && (key == "ITEM-CODE" || key == "MATERIAL-IDENTIFIER")) {
        currentMaterial_ = textOf(rest);
        return true;
    }
    if (kind_ == Kind::Materials && key == "DESCRIPTION") {
        if (!currentMaterial_.empty()) file_.materials.emplace(currentMaterial_, textOf(rest));
        return true;
    }
    // A line that starts a block: not indented, or a block keyword however it is indented.
    if (!indented || knownIdentifier(key) || headerKey(key) || key == "PIPELINE-REFERENCE" ||
        key == "MATERIALS") {
        skippingRecord_ = false;
        if (headerKey(key)) {
            sawPcfKey_ = true;
            kind_ = Kind::Header;
            const std::string v = upper(trim(rest));
            if (key == "UNITS-BORE") boreUnit_ = v;
            if (key == "UNITS-CO-ORDS") coordUnit_ = v;
            return true;
        }
        if (key == "PIPELINE-REFERENCE") {
            sawPcfKey_ = true;
            kind_ = Kind::Pipeline;
            if (!sawReference_) file_.reference = textOf(rest);
            sawReference_ = true;
            return true;
        }
        if (key == "MATERIALS") {
            sawPcfKey_ = true;
            kind_ = Kind::Materials;
            currentMaterial_.clear();
            return true;
        }
        const bool known = knownIdentifier(key);
        if (known || !indented) {
            if (known) sawPcfKey_ = true;
            if (file_.records.size() >= limits_.maxRecords && !sawPcfKey_)
                return fail(std::string(kNotPcf));
            if (file_.records.size() >= limits_.maxRecords)
                return fail(text::format(
                    "组件太多：一张单线图最多画 %lu 个组件，文件里的更多（第 %lu 行起）",
                    static_cast<unsigned long>(limits_.maxRecords),
                    static_cast<unsigned long>(number)));
            kind_ = Kind::Component;
            PcfRecord r;
            r.identifier = key;
            r.line = number;
            r.known = known;
            file_.records.push_back(std::move(r));
            raw_.emplace_back();
            // A record the reader does not know is skipped: only its end points are kept.
            if (!known) skip(file_.skippedRecords, key);
            skippingRecord_ = !known;
            return true;
        }
        return true;
    }
    if (skippingRecord_) return true;
    switch (kind_) {
        case Kind::Header:
            skip(file_.skippedAttributes, key);
            return true;
        case Kind::Pipeline:
            file_.pipelineAttributes.push_back({key, textOf(rest)});
            return true;
        case Kind::Materials:
            return true;
        case Kind::Component:
            if (!skippingRecord_) skip(file_.skippedAttributes, key);
            return true;
    }
    return true;
}

PcfPoint Reader::convert(const RawPoint& p) const {
    PcfPoint out;
    out.connection = p.connection;
    const double k = file_.mmPerCoordinate;
    out.x = p.v[0] * k;
    out.y = p.v[1] * k;
    out.z = p.v[2] * k;
    if (p.hasBore && std::isfinite(p.v[3]) && p.v[3] > 0.0) {
        if (boreUnit_ == "INCH-SIXTEENTH") {
            out.inches = p.v[3] / 16.0;
            out.bore = out.inches * 25.4;
        } else if (file_.boreInInches) {
            out.inches = p.v[3];
            out.bore = p.v[3] * 25.4;
        } else {
            out.bore = p.v[3];
        }
    }
    return out;
}

bool Reader::checkCoordinates(const PcfRecord& r) {
    const std::string& id = r.identifier;
    for (const auto* p : {r.centre ? &*r.centre : nullptr, r.branch ? &*r.branch : nullptr,
                          r.coords ? &*r.coords : nullptr}) {
        if (!p) continue;
        if (!(std::fabs(p->x) <= kPcfCoordinateLimit && std::fabs(p->y) <= kPcfCoordinateLimit &&
              std::fabs(p->z) <= kPcfCoordinateLimit))
            return fail(text::format("第 %lu 行的 %s 的坐标超出范围（离原点超过 100 千米）",
                                     static_cast<unsigned long>(r.line), id));
    }
    for (const PcfPoint& p : r.endPoints)
        if (!(std::fabs(p.x) <= kPcfCoordinateLimit && std::fabs(p.y) <= kPcfCoordinateLimit &&
              std::fabs(p.z) <= kPcfCoordinateLimit))
            return fail(text::format("第 %lu 行的 %s 的坐标超出范围（离原点超过 100 千米）",
                                     static_cast<unsigned long>(r.line), id));
    return true;
}

bool Reader::checkRecord(const PcfRecord& r) {
    const std::string& id = r.identifier;
    const auto at = [&](std::string_view what) {
        return fail(text::format("第 %lu 行的 %s 缺少%s", static_cast<unsigned long>(r.line), id,
                                 std::string(what)));
    };
    const std::size_t ends = r.endPoints.size();
    if (id == "PIPE" || id == "FLANGE" || id == "VALVE" || id == "GASKET" || id == "FILTER" ||
        id == "MISC-COMPONENT" || startsWith(id, "REDUCER-")) {
        if (ends < 2) return at(ends == 0 ? "END-POINT（要两个）" : "第二个 END-POINT");
    } else if (id == "ELBOW" || id == "BEND") {
        if (ends < 2) return at(ends == 0 ? "END-POINT（要两个）" : "第二个 END-POINT");
        if (!r.centre) return at("CENTRE-POINT");
    } else if (id == "TEE") {
        if (ends < 2) return at(ends == 0 ? "END-POINT（要两个）" : "第二个 END-POINT");
        if (!r.centre) return at("CENTRE-POINT");
        if (!r.branch) return at("BRANCH1-POINT");
    } else if (id == "OLET") {
        if (!r.centre) return at("CENTRE-POINT");
        if (!r.branch) return at("BRANCH1-POINT");
    } else if (id == "VALVE-ANGLE") {
        if (ends == 0) return at("END-POINT");
        if (!r.centre) return at("CENTRE-POINT");
        if (ends < 2 && !r.branch) return at("第二个 END-POINT 或 BRANCH1-POINT");
    } else if (id == "CAP" || id == "FLANGE-BLIND") {
        if (ends == 0) return at("END-POINT");
    } else if (id == "INSTRUMENT" || id == "WELD" || id == "SUPPORT") {
        if (ends == 0 && !r.coords) return at("END-POINT 或 CO-ORDS");
    }
    return true;
}

bool Reader::resolveMasters() {
    // COMPONENT-IDENTIFIER names a component; MASTER-COMPONENT-IDENTIFIER the component another
    // belongs to (a support to what carries it). A component without a point of its own stands
    // where its master stands.
    std::unordered_map<std::string, std::size_t> byId;
    for (std::size_t i = 0; i < file_.records.size(); ++i)
        if (const std::string* id = file_.records[i].attribute("COMPONENT-IDENTIFIER"))
            byId.emplace(*id, i);
    if (byId.empty()) return true;
    auto masterOf = [&](std::size_t i) -> long {
        const std::string* m = file_.records[i].attribute("MASTER-COMPONENT-IDENTIFIER");
        if (!m) return -1;
        const auto it = byId.find(*m);
        return it == byId.end() ? -1 : static_cast<long>(it->second);
    };
    // 0 not looked at, 1 on the chain being followed, 2 done.
    std::vector<unsigned char> state(file_.records.size(), 0);
    for (std::size_t start = 0; start < file_.records.size(); ++start) {
        std::vector<std::size_t> chain;
        long i = static_cast<long>(start);
        while (i >= 0 && state[static_cast<std::size_t>(i)] == 0) {
            state[static_cast<std::size_t>(i)] = 1;
            chain.push_back(static_cast<std::size_t>(i));
            i = masterOf(static_cast<std::size_t>(i));
        }
        if (i >= 0 && state[static_cast<std::size_t>(i)] == 1)
            return fail(text::format(
                "第 %lu 行的 %s 与其他组件互为主组件（MASTER-COMPONENT-IDENTIFIER 引用成环）",
                static_cast<unsigned long>(file_.records[static_cast<std::size_t>(i)].line),
                file_.records[static_cast<std::size_t>(i)].identifier));
        for (std::size_t k : chain) state[k] = 2;
    }
    auto pointOf = [](const PcfRecord& r) -> std::optional<PcfPoint> {
        if (r.coords) return r.coords;
        if (r.centre) return r.centre;
        if (!r.endPoints.empty()) return r.endPoints.front();
        return std::nullopt;
    };
    for (std::size_t i = 0; i < file_.records.size(); ++i) {
        PcfRecord& r = file_.records[i];
        if (pointOf(r)) continue;
        // The chain is free of rings now: follow it to the first master with a point.
        for (long m = masterOf(i); m >= 0; m = masterOf(static_cast<std::size_t>(m)))
            if (const auto p = pointOf(file_.records[static_cast<std::size_t>(m)])) {
                r.coords = p;
                break;
            }
    }
    return true;
}

bool Reader::finish() {
    file_.boreInInches = startsWith(boreUnit_, "INCH");
    if (startsWith(coordUnit_, "INCH"))
        file_.mmPerCoordinate = 25.4;
    else if (coordUnit_ == "METRE" || coordUnit_ == "METER" || coordUnit_ == "METRES" ||
             coordUnit_ == "METERS" || coordUnit_ == "M")
        file_.mmPerCoordinate = 1000.0;
    else if (coordUnit_ == "CM" || coordUnit_ == "CENTIMETRE" || coordUnit_ == "CENTIMETER")
        file_.mmPerCoordinate = 10.0;
    for (std::size_t i = 0; i < file_.records.size(); ++i) {
        PcfRecord& r = file_.records[i];
        const RawRecord& raw = raw_[i];
        for (const RawPoint& p : raw.ends) r.endPoints.push_back(convert(p));
        if (raw.centre) r.centre = convert(*raw.centre);
        if (raw.branch) r.branch = convert(*raw.branch);
        if (raw.coords) r.coords = convert(*raw.coords);
    }
    raw_.clear();
    if (!resolveMasters()) return false;
    // A skipped record's end points still join its neighbours: they are held to the same range.
    for (const PcfRecord& r : file_.records) {
        if (!checkCoordinates(r)) return false;
        if (r.known && !checkRecord(r)) return false;
    }
    return true;
}

platform::Result<PcfFile> Reader::run() {
    using platform::Error;
    std::string_view bytes = bytes_;
    if (bytes.size() > limits_.maxBytes)
        return Error(platform::FileError::tooLarge,
                     text::format("文件太大：PCF 导入最多读 %lu MB",
                                  static_cast<unsigned long>(limits_.maxBytes >> 20)));
    if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (trim(bytes).find_first_not_of("\r\n\t ") == std::string_view::npos)
        return Error(std::string("文件是空的，不是 PCF 文件"));
    if (bytes.find('\0') != std::string_view::npos)
        return Error(std::string("不是 PCF 文件：文件里有二进制数据"));
    const bool high = std::any_of(bytes.begin(), bytes.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!high)
        file_.encoding = PcfFile::Encoding::Ascii;
    else if (validUtf8(bytes))
        file_.encoding = PcfFile::Encoding::Utf8;
    else if (text::isValidGbk(bytes))
        file_.encoding = PcfFile::Encoding::Gbk;
    else
        file_.encoding = PcfFile::Encoding::Latin1;

    std::size_t number = 0;
    for (std::size_t at = 0; at <= bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        ++number;
        if (!line(bytes.substr(at, end - at), number)) break;
        at = end + 1;
    }
    if (error_.empty()) {
        if (!sawPcfKey_)
            fail(std::string(kNotPcf));
        else if (file_.records.empty())
            fail("PCF 文件里没有管道组件");
        else
            finish();
    }
    if (!error_.empty()) return Error(std::move(error_));
    return std::move(file_);
}

}  // namespace

platform::Result<PcfFile> readPcf(std::string_view bytes, const PcfLimits& limits) {
    return Reader(bytes, limits).run();
}

platform::Result<PcfFile> readPcfFile(const std::filesystem::path& path, const PcfLimits& limits) {
    std::string bytes;
    if (const std::error_code ec = platform::readWholeFile(path, bytes, limits.maxBytes).error()) {
        if (ec == platform::FileError::tooLarge)
            return platform::Error(ec, text::format("文件太大：PCF 导入最多读 %lu MB",
                                                    static_cast<unsigned long>(limits.maxBytes >> 20)));
        return platform::Error(ec, "无法读取 " + path.filename().string() + "：" + platform::describe(ec));
    }
    return readPcf(bytes, limits);
}

}  // namespace tubra::exchange
