#include "text/TextFit.h"

#include <algorithm>
#include <unordered_set>

#include "text/Gbk.h"

namespace text {

namespace {

// Two-byte characters as one number: lead byte high.
using Code = unsigned;

Code codeOf(std::string_view two) {
    return (static_cast<Code>(static_cast<unsigned char>(two[0])) << 8) | static_cast<unsigned char>(two[1]);
}

std::unordered_set<Code> codesOf(std::string_view utf8) {
    const std::string g = utf8ToGbk(utf8);
    std::unordered_set<Code> out;
    for (std::size_t i = 0; i + 1 < g.size();) {
        if (isGbkLeadByte(static_cast<unsigned char>(g[i]))) {
            out.insert(codeOf(std::string_view(g).substr(i, 2)));
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

struct Classes {
    // Marks that close a phrase: never at the start of a line.
    std::unordered_set<Code> closing = codesOf("，。、；：？！）》」』”’〕】〉…·％‰℃°");
    // Marks that open one: never at the end of a line.
    std::unordered_set<Code> opening = codesOf("（《「『“‘〔【〈");
    // Signs that belong to the number or code they stand in: "φ159×6", "±0.1", "120℃".
    std::unordered_set<Code> sticky = codesOf("φΦ×±℃°～Ω μ％‰＋－／．＃№ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩ");
    // A number followed by one of these goes on with it: "2024年5月12日".
    std::unordered_set<Code> dateUnits = codesOf("年月日");
    Code wideBlank = codesOf("　").empty() ? 0 : *codesOf("　").begin();
};

const Classes& classes() {
    static const Classes c;
    return c;
}

struct Char {
    std::size_t pos = 0;
    std::size_t len = 1;
    bool blank = false;
    bool word = false;      // part of a number, date, Latin word or code
    bool closing = false;   // no break before it
    bool opening = false;   // no break after it
};

bool asciiClosing(char c) { return c == ')' || c == ']' || c == '}' || c == ',' || c == '.' || c == ';' || c == ':' || c == '!' || c == '?' || c == '%'; }
bool asciiOpening(char c) { return c == '(' || c == '[' || c == '{'; }

std::vector<Char> charsOf(std::string_view p) {
    const Classes& k = classes();
    std::vector<Char> out;
    for (std::size_t i = 0; i < p.size();) {
        Char c;
        c.pos = i;
        const auto b = static_cast<unsigned char>(p[i]);
        if (isGbkLeadByte(b) && i + 1 < p.size()) {
            c.len = 2;
            const Code code = codeOf(p.substr(i, 2));
            c.blank = code == k.wideBlank;
            c.closing = k.closing.count(code) != 0;
            c.opening = k.opening.count(code) != 0;
            c.word = k.sticky.count(code) != 0;
            // A date unit after a digit joins the number.
            if (!c.word && k.dateUnits.count(code) && i > 0 && p[i - 1] >= '0' && p[i - 1] <= '9') c.word = true;
        } else {
            c.blank = b == ' ' || b == '\t';
            c.word = b > 0x20 && b < 0x7F;
            c.closing = asciiClosing(static_cast<char>(b));
            c.opening = asciiOpening(static_cast<char>(b));
        }
        i += c.len;
        out.push_back(c);
    }
    return out;
}

// Whether a line may end before chars[i].
bool breakBefore(const std::vector<Char>& chars, std::size_t i) {
    if (i == 0) return false;
    const Char& a = chars[i - 1];
    const Char& b = chars[i];
    if (b.blank || b.closing || a.opening) return false;
    if (a.word && b.word) return false;
    return true;
}

void breakParagraph(std::string_view text, std::size_t offset, std::size_t maxBytes, BrokenText& out) {
    const std::string_view p = text.substr(offset);
    const std::vector<Char> chars = charsOf(p);
    const std::size_t n = chars.size();
    if (n == 0) {
        out.lines.push_back({offset, 0});
        return;
    }
    const auto emit = [&](std::size_t from, std::size_t to) {  // chars [from, to)
        std::size_t end = chars[from].pos;
        for (std::size_t j = from; j < to; ++j)
            if (!chars[j].blank) end = chars[j].pos + chars[j].len;
        out.lines.push_back({offset + chars[from].pos, end - chars[from].pos});
    };
    std::size_t s = 0;
    while (s < n) {
        std::size_t lastOk = 0;  // 0: none (a break before the line's first character is none)
        std::size_t i = s;
        bool overflow = false;
        for (; i < n; ++i) {
            if (i > s && breakBefore(chars, i)) lastOk = i;
            if (!chars[i].blank && chars[i].pos + chars[i].len - chars[s].pos > maxBytes) {
                overflow = true;
                break;
            }
        }
        if (!overflow) {
            emit(s, n);
            break;
        }
        if (lastOk > s) {
            emit(s, lastOk);
            s = lastOk;
        } else {
            // Nothing to break at: the word is split (one character at least per line).
            const std::size_t to = i > s ? i : s + 1;
            emit(s, to);
            out.splitWord = true;
            s = to;
        }
        // A line never starts with the blanks the break left behind.
        while (s < n && chars[s].blank) ++s;
    }
}

int gapOf(int h, int percent) { return std::max(1, h * percent / 100); }

// Lines a box of height `boxH` holds at font height h with line step `step`.
int capacity(int boxH, int h, int step, int maxLines) {
    if (boxH < h || h <= 0) return 0;
    const int n = 1 + (boxH - h) / step;
    return maxLines > 0 ? std::min(n, maxLines) : n;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The lines of `text` at height h; `fits` when they are within the box.
struct Attempt {
    BrokenText broken;
    int step = 0;
    int cap = 0;
    bool fits() const { return static_cast<int>(broken.lines.size()) <= cap; }
};

Attempt attempt(std::string_view text, int width, int height, const FitSpec& spec, int h, int gapPercent) {
    Attempt a;
    const int bw = FitByteWidth(spec, h);
    const std::size_t perLine = static_cast<std::size_t>(std::max(1, width / bw));
    a.broken = BreakText(text, perLine);
    a.step = h + gapOf(h, gapPercent);
    a.cap = capacity(height, h, a.step, spec.maxLines);
    return a;
}

Fit makeFit(std::string_view text, const FitSpec& spec, int h, Attempt&& a) {
    if (spec.balance && a.fits() && a.broken.lines.size() > 1) {
        // The narrowest lines that still take no more lines and split no word.
        std::size_t widest = 0;
        for (const TextLine& l : a.broken.lines) widest = std::max(widest, l.length);
        for (std::size_t per = widest; per > 1; --per) {
            BrokenText b = BreakText(text, per - 1);
            if (b.lines.size() > a.broken.lines.size() || b.splitWord) break;
            a.broken = std::move(b);
        }
    }
    Fit f;
    f.height = h;
    f.byteWidth = FitByteWidth(spec, h);
    f.lineStep = a.step;
    f.text = std::string(text);
    f.lines = std::move(a.broken.lines);
    f.shownBytes = text.size();
    f.complete = true;
    if (static_cast<int>(f.lines.size()) > a.cap) {
        f.complete = false;
        f.shownBytes = a.cap > 0 ? f.lines[static_cast<std::size_t>(a.cap)].start : 0;
        f.lines.resize(static_cast<std::size_t>(std::max(a.cap, 0)));
    }
    return f;
}

}  // namespace

BrokenText BreakText(std::string_view gbk, std::size_t maxBytes) {
    maxBytes = std::max<std::size_t>(maxBytes, 1);
    BrokenText out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = gbk.find_first_of("\r\n", start);
        const std::size_t stop = end == std::string_view::npos ? gbk.size() : end;
        // A paragraph is broken on its own.
        breakParagraph(gbk.substr(0, stop), start, maxBytes, out);
        if (end == std::string_view::npos) break;
        start = end + ((gbk[end] == '\r' && end + 1 < gbk.size() && gbk[end + 1] == '\n') ? 2 : 1);
    }
    return out;
}

int FitByteWidth(const FitSpec& spec, int h) { return std::max(1, h * spec.widthPercent / 100); }

int Fit::blockHeight() const {
    if (lines.empty()) return 0;
    return static_cast<int>(lines.size() - 1) * lineStep + height;
}

Fit FitAtHeight(std::string_view gbk, int width, int height, const FitSpec& spec) {
    return makeFit(gbk, spec, spec.height, attempt(gbk, width, height, spec, spec.height, spec.gapPercent));
}

Fit FitText(std::string_view gbk, int width, int height, const FitSpec& spec) {
    const int base = std::max(1, spec.height);
    const int smallest = std::clamp(spec.minHeight, 1, base);
    // A one-line box: a little smaller on one line reads better than two broken lines.
    const int baseStep = base + gapOf(base, spec.gapPercent);
    if (!hasLineBreak(gbk) && capacity(height, base, baseStep, spec.maxLines) == 1) {
        for (int h = base; h >= std::max(smallest, base * 3 / 4); --h) {
            Attempt a = attempt(gbk, width, height, spec, h, spec.gapPercent);
            if (a.broken.lines.size() == 1 && a.cap >= 1 && !a.broken.splitWord)
                return makeFit(gbk, spec, h, std::move(a));
        }
    }
    for (int h = base; h >= smallest; --h) {
        // Roomy lines, closer step by step, before the font shrinks.
        for (int gap = spec.roomyGapPercent; gap > spec.gapPercent; gap -= 20) {
            Attempt a = attempt(gbk, width, height, spec, h, gap);
            if (a.fits() && !a.broken.splitWord) return makeFit(gbk, spec, h, std::move(a));
        }
        Attempt a = attempt(gbk, width, height, spec, h, spec.gapPercent);
        if (a.fits() && !a.broken.splitWord) return makeFit(gbk, spec, h, std::move(a));
    }
    // At the smallest size a word longer than a line is split; what still does not fit is
    // left over.
    return makeFit(gbk, spec, smallest, attempt(gbk, width, height, spec, smallest, spec.gapPercent));
}

Fit FitWithMark(std::string_view gbk, int width, int height, const FitSpec& spec, std::string_view mark) {
    Fit f = FitText(gbk, width, height, spec);
    if (f.complete) return f;
    FitSpec at = spec;
    at.height = f.height;
    // The longest beginning that fits with the mark after it.
    std::size_t keep = gbkCutLength(gbk, f.shownBytes);
    while (true) {
        const std::string shown = std::string(gbk.substr(0, keep)) + std::string(mark);
        Fit g = FitAtHeight(shown, width, height, at);
        if (g.complete || keep == 0) {
            g.complete = false;
            g.shownBytes = keep;
            return g;
        }
        keep = gbkCutLength(gbk, keep - 1);  // one character less
    }
}

}  // namespace text
