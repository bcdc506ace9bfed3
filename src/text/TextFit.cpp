#include "text/TextFit.h"

#include <algorithm>

#include "text/Gbk.h"

namespace text {

namespace {

// Classes of two-byte characters, one bit each, indexed by the character's two bytes (lead
// byte high).
enum : unsigned char { kClosing = 1, kOpening = 2, kSticky = 4, kDateUnit = 8, kWideBlank = 16 };

struct Classes {
    std::vector<unsigned char> of = std::vector<unsigned char>(1u << 16, 0);

    Classes() {
        // Marks that close a phrase: never at the start of a line.
        mark("，。、；：？！）》」』”’〕】〉…·％‰℃°", kClosing);
        // Marks that open one: never at the end of a line.
        mark("（《「『“‘〔【〈", kOpening);
        // Signs that belong to the number or code they stand in: "φ159×6", "±0.1", "120℃".
        mark("φΦ×±℃°～Ωμ％‰＋－／．＃№ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩ", kSticky);
        // A number followed by one of these goes on with it: "2024年5月12日".
        mark("年月日", kDateUnit);
        mark("　", kWideBlank);
    }
    void mark(std::string_view utf8, unsigned char bit) {
        const std::string g = utf8ToGbk(utf8);
        for (std::size_t i = 0; i + 1 < g.size();) {
            if (isGbkLeadByte(static_cast<unsigned char>(g[i]))) {
                of[(static_cast<unsigned>(static_cast<unsigned char>(g[i])) << 8) | static_cast<unsigned char>(g[i + 1])] |= bit;
                i += 2;
            } else {
                ++i;
            }
        }
    }
};

const Classes& classes() {
    static const Classes c;
    return c;
}

struct Char {
    std::size_t pos = 0;
    unsigned char len = 1;
    bool blank = false;
    bool word = false;       // part of a number, date, Latin word or code
    bool closing = false;    // no break before it
    bool opening = false;    // no break after it
    bool lineBreak = false;  // CR LF, or a lone CR or LF
};

bool asciiClosing(char c) {
    return c == ')' || c == ']' || c == '}' || c == ',' || c == '.' || c == ';' || c == ':' || c == '!' || c == '?' ||
           c == '%';
}
bool asciiOpening(char c) { return c == '(' || c == '[' || c == '{'; }

// The characters of a text with what the breaking needs to know of each; worked out once for
// all the sizes a fit tries.
std::vector<Char> charsOf(std::string_view p) {
    const Classes& k = classes();
    std::vector<Char> out;
    out.reserve(p.size());
    for (std::size_t i = 0; i < p.size();) {
        Char c;
        c.pos = i;
        const auto b = static_cast<unsigned char>(p[i]);
        if (isGbkLeadByte(b) && i + 1 < p.size()) {
            c.len = 2;
            const unsigned char bits = k.of[(static_cast<unsigned>(b) << 8) | static_cast<unsigned char>(p[i + 1])];
            c.blank = bits & kWideBlank;
            c.closing = bits & kClosing;
            c.opening = bits & kOpening;
            c.word = bits & kSticky;
            // A date unit after a digit joins the number.
            if (!c.word && (bits & kDateUnit) && i > 0 && p[i - 1] >= '0' && p[i - 1] <= '9') c.word = true;
        } else if (b == '\r' || b == '\n') {
            c.lineBreak = true;
            if (b == '\r' && i + 1 < p.size() && p[i + 1] == '\n') c.len = 2;
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
    const Char& a = chars[i - 1];
    const Char& b = chars[i];
    if (b.blank || b.closing || a.opening) return false;
    if (a.word && b.word) return false;
    return true;
}

// Breaks the paragraph of chars [first, last) into lines.
void breakParagraph(const std::vector<Char>& chars, std::size_t first, std::size_t last, std::size_t paragraphPos,
                    std::size_t maxBytes, BrokenText& out) {
    if (first == last) {
        out.lines.push_back({paragraphPos, 0});
        return;
    }
    const auto emit = [&](std::size_t from, std::size_t to) {  // chars [from, to)
        std::size_t end = chars[from].pos;
        for (std::size_t j = from; j < to; ++j)
            if (!chars[j].blank) end = chars[j].pos + chars[j].len;
        out.lines.push_back({chars[from].pos, end - chars[from].pos});
    };
    std::size_t s = first;
    while (s < last) {
        std::size_t lastOk = 0;  // 0: none (a break before the line's first character is none)
        std::size_t i = s;
        bool overflow = false;
        for (; i < last; ++i) {
            if (i > s && breakBefore(chars, i)) lastOk = i;
            if (!chars[i].blank && chars[i].pos + chars[i].len - chars[s].pos > maxBytes) {
                overflow = true;
                break;
            }
        }
        if (!overflow) {
            emit(s, last);
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
        while (s < last && chars[s].blank) ++s;
    }
}

BrokenText breakChars(const std::vector<Char>& chars, std::size_t textSize, std::size_t maxBytes) {
    maxBytes = std::max<std::size_t>(maxBytes, 1);
    BrokenText out;
    std::size_t first = 0;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= chars.size(); ++i) {
        if (i < chars.size() && !chars[i].lineBreak) continue;
        breakParagraph(chars, first, i, pos, maxBytes, out);
        if (i < chars.size()) pos = chars[i].pos + chars[i].len;
        first = i + 1;
    }
    (void)textSize;
    return out;
}

int gapOf(int h, int percent) { return std::max(1, h * percent / 100); }

// Lines a box of height `boxH` holds at font height h with line step `step`.
int capacity(int boxH, int h, int step, int maxLines) {
    if (boxH < h || h <= 0) return 0;
    const int n = 1 + (boxH - h) / step;
    return maxLines > 0 ? std::min(n, maxLines) : n;
}

bool hasLineBreak(const std::vector<Char>& chars) {
    return std::any_of(chars.begin(), chars.end(), [](const Char& c) { return c.lineBreak; });
}

// The lines of `text` at height h; `fits` when they are within the box.
struct Attempt {
    BrokenText broken;
    int step = 0;
    int cap = 0;
    bool fits() const { return static_cast<int>(broken.lines.size()) <= cap; }
};

Attempt attempt(const std::vector<Char>& chars, std::string_view text, int width, int height, const FitStyle& style, int h,
                int gapPercent) {
    Attempt a;
    const int bw = fitByteWidth(style, h);
    const std::size_t perLine = static_cast<std::size_t>(std::max(1, width / bw));
    a.step = h + gapOf(h, gapPercent);
    a.cap = capacity(height, h, a.step, style.maxLines);
    a.broken = breakChars(chars, text.size(), perLine);
    return a;
}

// Whether the text surely needs more lines than the box holds at height h: its characters
// alone fill more lines (a quick test that spares breaking the text at sizes far too large).
bool surelyTooLong(const std::vector<Char>& chars, int width, int height, const FitStyle& style, int h, int gapPercent) {
    std::size_t bytes = 0;
    for (const Char& c : chars)
        if (!c.blank && !c.lineBreak) bytes += c.len;
    const std::size_t perLine = static_cast<std::size_t>(std::max(1, width / fitByteWidth(style, h)));
    const int cap = capacity(height, h, h + gapOf(h, gapPercent), style.maxLines);
    return static_cast<std::size_t>(cap) * perLine < bytes;
}

Fit makeFit(const std::vector<Char>& chars, std::string_view text, const FitStyle& style, int h, Attempt&& a) {
    if (style.balance && a.fits() && a.broken.lines.size() > 1 && !a.broken.splitWord) {
        // The narrowest lines that still take no more lines and split no word, found by
        // halving: a narrower width never takes fewer lines.
        std::size_t widest = 0;
        for (const TextLine& l : a.broken.lines) widest = std::max(widest, l.length);
        std::size_t lo = 0, hi = widest;  // hi keeps the lines; lo does not (or is nothing)
        while (hi - lo > 1) {
            const std::size_t mid = (lo + hi) / 2;
            BrokenText b = breakChars(chars, text.size(), mid);
            if (b.lines.size() > a.broken.lines.size() || b.splitWord) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        if (hi < widest) a.broken = breakChars(chars, text.size(), hi);
    }
    Fit f;
    f.height = h;
    f.byteWidth = fitByteWidth(style, h);
    f.lineStep = a.step;
    f.text = std::string(text);
    f.lines = std::move(a.broken.lines);
    f.shownBytes = text.size();
    f.complete = true;
    f.splitWord = a.broken.splitWord;
    if (static_cast<int>(f.lines.size()) > a.cap) {
        f.complete = false;
        f.shownBytes = a.cap > 0 ? f.lines[static_cast<std::size_t>(a.cap)].start : 0;
        f.lines.resize(static_cast<std::size_t>(std::max(a.cap, 0)));
    }
    return f;
}

}  // namespace

BrokenText breakText(std::string_view gbk, std::size_t maxBytes) { return breakChars(charsOf(gbk), gbk.size(), maxBytes); }

int fitByteWidth(const FitStyle& style, int h) { return std::max(1, h * style.widthPercent / 100); }

int Fit::blockHeight() const {
    if (lines.empty()) return 0;
    return static_cast<int>(lines.size() - 1) * lineStep + height;
}

Fit fitAtHeight(std::string_view gbk, int width, int height, const FitStyle& style) {
    const std::vector<Char> chars = charsOf(gbk);
    return makeFit(chars, gbk, style, style.height, attempt(chars, gbk, width, height, style, style.height, style.gapPercent));
}

Fit fitText(std::string_view gbk, int width, int height, const FitStyle& style) {
    const std::vector<Char> chars = charsOf(gbk);
    const int base = std::max(1, style.height);
    const int smallest = std::clamp(style.minHeight, 1, base);
    // A one-line box: a little smaller on one line reads better than two broken lines.
    const int baseStep = base + gapOf(base, style.gapPercent);
    if (!hasLineBreak(chars) && capacity(height, base, baseStep, style.maxLines) == 1) {
        std::size_t bytes = 0;
        for (const Char& c : chars)
            if (!c.blank) bytes = c.pos + c.len;  // up to the last non-blank
        for (int h = base; h >= std::max(smallest, base * 3 / 4); --h) {
            if (static_cast<long long>(bytes) * fitByteWidth(style, h) > width) continue;  // surely too long
            Attempt a = attempt(chars, gbk, width, height, style, h, style.gapPercent);
            if (a.broken.lines.size() == 1 && a.cap >= 1 && !a.broken.splitWord)
                return makeFit(chars, gbk, style, h, std::move(a));
        }
    }
    for (int h = base; h >= smallest; --h) {
        if (h > smallest && surelyTooLong(chars, width, height, style, h, style.gapPercent)) continue;
        // Roomy lines, closer step by step, before the font shrinks.
        for (int gap = style.roomyGapPercent; gap > style.gapPercent; gap -= 20) {
            Attempt a = attempt(chars, gbk, width, height, style, h, gap);
            if (a.fits() && !a.broken.splitWord) return makeFit(chars, gbk, style, h, std::move(a));
        }
        Attempt a = attempt(chars, gbk, width, height, style, h, style.gapPercent);
        if (a.fits() && !a.broken.splitWord) return makeFit(chars, gbk, style, h, std::move(a));
    }
    // At the smallest size a word longer than a line is split (unless words are kept whole);
    // what still does not fit is left over, at the smallest size or at the font's own.
    const int last = style.overflowAtOwnSize ? base : smallest;
    Fit f = makeFit(chars, gbk, style, last, attempt(chars, gbk, width, height, style, last, style.gapPercent));
    if (style.keepWords && f.splitWord) f.complete = false;
    return f;
}

Fit fitWithMark(std::string_view gbk, int width, int height, const FitStyle& style, std::string_view mark) {
    Fit f = fitText(gbk, width, height, style);
    if (f.complete) return f;
    FitStyle at = style;
    at.height = f.height;
    // The mark itself is always shown whole and on one line: in a box too narrow for it at this
    // size, the size falls until it fits (or reaches the smallest).
    const auto markFits = [&] {
        const Fit m = fitAtHeight(mark, width, height, at);
        return m.complete && m.lines.size() == 1;
    };
    while (at.height > std::max(style.minHeight, 1) && !markFits()) --at.height;
    // The longest beginning that fits with the mark after it, found by halving.
    // Lines are evened out once, for the part finally shown.
    at.balance = false;
    const auto withMark = [&](std::size_t keep) {
        Fit g = fitAtHeight(std::string(gbk.substr(0, keep)) + std::string(mark), width, height, at);
        const bool fits = g.complete && !(at.keepWords && g.splitWord);
        g.complete = false;
        g.shownBytes = keep;
        return std::pair(fits, std::move(g));
    };
    // Any beginning may be shown, a word cut short too: the mark says that more follows.
    std::size_t hi = gbk.size();
    std::size_t lo = 0;
    Fit best = withMark(0).second;
    while (true) {
        std::size_t mid = gbkCutLength(gbk, (lo + hi) / 2);
        // Halving can round down to where it stands while the next character (the last of a
        // line, say) would still fit: that one is tried before the search ends.
        if (mid <= lo) mid = lo + (lo + 1 < gbk.size() && isGbkLeadByte(static_cast<unsigned char>(gbk[lo])) ? 2 : 1);
        if (mid >= hi) break;
        auto [ok, g] = withMark(mid);
        if (ok) {
            lo = mid;
            best = std::move(g);
        } else {
            hi = mid;
        }
    }
    if (style.balance) {
        at.balance = true;
        Fit even = fitAtHeight(best.text, width, height, at);
        if (even.complete) {
            even.complete = false;
            even.shownBytes = best.shownBytes;
            best = std::move(even);
        }
    }
    return best;
}

std::size_t restStart(std::string_view gbk, std::size_t shown) {
    const std::vector<Char> chars = charsOf(gbk);
    std::size_t at = 0;
    for (std::size_t i = 1; i < chars.size() && chars[i].pos <= shown; ++i)
        if (chars[i - 1].lineBreak || breakBefore(chars, i)) at = chars[i].pos;
    return at;
}

}  // namespace text
