#include "tubra/edit/SessionScript.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "tubra/edit/Construction.h"
#include "tubra/edit/NumberInput.h"

namespace tubra::edit {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool parseNumber(const std::string& s, double& out) {
    const char* b = s.data();
    const char* e = b + s.size();
    const auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(out);
}

using Kind = ScriptLine::Kind;

struct Keyword {
    Kind kind;
    int minArgs;
    int maxArgs;  // -1: any
};

const std::map<std::string, Keyword, std::less<>>& keywords() {
    static const std::map<std::string, Keyword, std::less<>> k = {
        {"new", {Kind::New, 0, 3}},
        {"command", {Kind::Command, 1, 1}},
        {"click", {Kind::Click, 2, 4}},
        {"rclick", {Kind::RightClick, 2, 2}},
        {"move", {Kind::Move, 2, 2}},
        {"drag", {Kind::Drag, 4, 4}},
        {"rdrag", {Kind::RightDrag, 4, 4}},
        {"key", {Kind::Key, 1, 1}},
        {"answer", {Kind::Answer, 1, 1}},
        {"dialog", {Kind::Dialog, 0, -1}},
        {"expect-message", {Kind::ExpectMessage, 1, -1}},
        {"save", {Kind::Save, 0, 1}},
        {"expect-count", {Kind::ExpectCount, 1, 2}},
        {"expect-discarded", {Kind::ExpectDiscarded, 1, 1}},
        {"expect-selected", {Kind::ExpectSelected, 1, 1}},
        {"expect-status", {Kind::ExpectStatus, 1, -1}},
        {"expect-object", {Kind::ExpectObject, 2, -1}},
        {"expect-modified", {Kind::ExpectModified, 1, 1}},
        {"window", {Kind::Window, 1, 1}},
        {"close", {Kind::Close, 0, 0}},
        {"open", {Kind::Open, 1, 3}},
        {"new-window", {Kind::NewWindow, 0, 0}},
    };
    return k;
}

// Model points a mouse can reach: within the lengths a drawing holds.
bool inReach(const std::vector<double>& coordinates) {
    for (double v : coordinates)
        if (!numbers::kLength.contains(v)) return false;
    return true;
}

std::string joined(const std::vector<std::string>& tokens, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < tokens.size(); ++i) {
        if (i > from) s += ' ';
        s += tokens[i];
    }
    return s;
}

}  // namespace

platform::Result<std::vector<std::string>> tokenizeSessionLine(std::string_view line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string token;
        bool quotedAny = false;
        while (i < line.size() && !isBlank(line[i])) {
            if (line[i] != '"') {
                token += line[i++];
                continue;
            }
            quotedAny = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    const char n = line[i++];
                    switch (n) {
                        case 'n': token += '\n'; break;
                        case 'r': token += '\r'; break;
                        case 't': token += '\t'; break;
                        default: token += n; break;
                    }
                    continue;
                }
                token += c;
            }
            if (!closed) return platform::Error("引号没有闭合");
        }
        (void)quotedAny;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

ParsedScript parseSessionScript(std::string_view script) {
    ParsedScript out;
    int number = 0;
    std::size_t pos = 0;
    // Editors put a byte-order mark before UTF-8 text; it is no part of the first line.
    if (script.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
    const auto fail = [&](std::string message) {
        out.ok = false;
        out.errorLine = number;
        out.error = std::move(message);
        return out;
    };
    while (pos <= script.size()) {
        const std::size_t end = script.find('\n', pos);
        std::string_view raw = script.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? script.size() + 1 : end + 1;
        ++number;
        std::size_t first = 0;
        while (first < raw.size() && isBlank(raw[first])) ++first;
        if (first >= raw.size() || raw[first] == '#') continue;
        auto split = tokenizeSessionLine(raw);
        if (split.failed()) return fail(split.message());
        std::vector<std::string>& tokens = split.value();
        if (tokens.empty()) continue;
        const auto k = keywords().find(tokens[0]);
        if (k == keywords().end()) return fail("不认识的动作 '" + tokens[0] + "'");
        const Keyword& kw = k->second;
        const int args = static_cast<int>(tokens.size()) - 1;
        if (args < kw.minArgs || (kw.maxArgs >= 0 && args > kw.maxArgs))
            return fail("'" + tokens[0] + "' 后面的值个数不对");
        ScriptLine line;
        line.number = number;
        line.kind = kw.kind;
        const auto numbers = [&](std::size_t from, std::size_t to) -> bool {
            for (std::size_t i = from; i < to && i < tokens.size(); ++i) {
                double v = 0;
                if (!parseNumber(tokens[i], v)) return false;
                line.numbers.push_back(v);
            }
            return true;
        };
        switch (kw.kind) {
            case Kind::New:
                if (args == 2) return fail("'new' 后面是首点标高，或首点标高和两个轴角");
                if (!numbers(1, tokens.size())) return fail("'new' 后面应是数");
                if (!line.numbers.empty() && !numbers::kLength.contains(line.numbers[0]))
                    return fail("'new' 的首点标高应在 ±10000000 毫米之内");
                // The new-drawing dialog offers these axis angles only.
                for (std::size_t i = 1; i < line.numbers.size(); ++i)
                    if (line.numbers[i] != 30.0 && line.numbers[i] != 45.0 && line.numbers[i] != 60.0)
                        return fail("'new' 的轴角只能是 30、45 或 60");
                break;
            case Kind::Close:
            case Kind::NewWindow: break;
            case Kind::Open:
                line.text = tokens[1];
                if (line.text.empty()) return fail("'open' 后面应是图形文件名");
                if (args >= 2 && tokens[2] != "unsaved")
                    return fail("'open' 的文件名后面只能是 'unsaved' 和原来的文件名");
                if (args == 3 && tokens[3].empty()) return fail("'open' 的原来的文件名是空的");
                // tokens: "unsaved" and the original file, when there are any
                line.tokens.assign(tokens.begin() + 2, tokens.end());
                break;
            case Kind::Window:
                if (!numbers(1, 2) || line.numbers[0] < 1 || line.numbers[0] != std::floor(line.numbers[0]) ||
                    line.numbers[0] > 1000)
                    return fail("'window' 后面应是窗口序号（从 1 起）");
                break;
            case Kind::Command:
            case Kind::ExpectDiscarded:
            case Kind::ExpectSelected:
            case Kind::ExpectCount:
                if (!numbers(1, tokens.size())) return fail("'" + tokens[0] + "' 后面应是整数");
                for (double v : line.numbers)
                    if (v != std::floor(v) || std::fabs(v) > 2147483647.0)
                        return fail("'" + tokens[0] + "' 后面应是整数");
                break;
            case Kind::Click:
                if (!numbers(1, 3) || !inReach(line.numbers)) return fail("'click' 后面应是坐标 X Y（在 ±10000000 之内）");
                for (std::size_t i = 3; i < tokens.size(); ++i) {
                    if (tokens[i] == "shift")
                        line.shift = true;
                    else if (tokens[i] == "ctrl")
                        line.ctrl = true;
                    else
                        return fail("'click' 的 X Y 后面只能有 'shift' 和 'ctrl'");
                }
                break;
            case Kind::RightClick:
            case Kind::Move:
            case Kind::Drag:
            case Kind::RightDrag:
                if (!numbers(1, tokens.size()) || !inReach(line.numbers))
                    return fail("'" + tokens[0] + "' 后面应是坐标（在 ±10000000 之内）");
                break;
            case Kind::Key: line.text = tokens[1]; break;
            case Kind::Answer:
                line.text = tokens[1];
                if (line.text != "yes" && line.text != "no" && line.text != "ok" && line.text != "cancel")
                    return fail("回答只能是 yes、no、ok 或 cancel");
                break;
            case Kind::Dialog: line.tokens.assign(tokens.begin() + 1, tokens.end()); break;
            case Kind::ExpectModified:
                line.text = tokens[1];
                if (line.text != "yes" && line.text != "no") return fail("'expect-modified' 后面应是 yes 或 no");
                break;
            case Kind::ExpectMessage:
            case Kind::ExpectStatus: line.text = joined(tokens, 1); break;
            case Kind::Save:
                if (args == 1) line.text = tokens[1];
                break;
            case Kind::ExpectObject: {
                double index = 0;
                if (!parseNumber(tokens[1], index) || index != std::floor(index) || std::fabs(index) > 2147483647.0)
                    return fail("'expect-object' 后面应是对象序号");
                line.numbers.push_back(index);
                line.tokens.assign(tokens.begin() + 2, tokens.end());
                for (const std::string& t : line.tokens)
                    if (t.find('=') == std::string::npos) return fail("'expect-object' 后面应是 名称=值");
                break;
            }
        }
        out.lines.push_back(std::move(line));
    }
    return out;
}

std::string quoteSessionValue(std::string_view v) {
    bool plain = !v.empty();
    for (char c : v)
        if (c == ' ' || c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == '#') plain = false;
    if (plain) return std::string(v);
    std::string out = "\"";
    for (char c : v) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c; break;
        }
    }
    return out + "\"";
}

std::string sessionFieldToken(std::string_view name, std::string_view value) {
    return std::string(name) + "=" + quoteSessionValue(value);
}

std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            out += c;
            continue;
        }
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                static constexpr char kHex[] = "0123456789ABCDEF";
                out += "\\x";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
                break;
            }
        }
    }
    return out;
}

std::string sessionNumber(double v) { return shortNumber(v); }

}  // namespace tubra::edit
