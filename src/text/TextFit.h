#pragma once
// Fitting a GBK text into a box: the one rule every text of the report pages and of the
// drawing's title block follows.
//
// A text is broken into lines at character boundaries, but numbers, dates ("2024年5月12日"),
// Latin words and codes ("JB/T4730.4-2005", "φ159×6") stay whole where a line can hold them,
// a closing mark ("，", "。", ")") never starts a line and an opening one never ends it. Blanks
// at a break stay at the end of the line they follow and take no room there. If the lines do
// not fit the box at the font's own size, the font shrinks step by step down to a legible
// minimum. What does not fit even then is left over: the caller continues it elsewhere or
// ends the shown part with a mark (`fitWithMark`); nothing is cut silently.
//
// Widths are counted in bytes: every byte takes the same width at a given height (a two-byte
// character twice that), so a fit is the same on every device and can be worked out without
// one. The fonts the callers draw with have that width set explicitly.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// One line of a broken text: `length` bytes from `start`, trailing blanks left out.
struct TextLine {
    std::size_t start = 0;
    std::size_t length = 0;
};

struct BrokenText {
    std::vector<TextLine> lines;
    // A word longer than a line had to be split.
    bool splitWord = false;
};

// `gbk` broken into lines of at most `maxBytes` bytes. Each CR LF (a lone CR or LF too) starts
// a new line; an empty paragraph is an empty line.
BrokenText breakText(std::string_view gbk, std::size_t maxBytes);

// How a box is filled.
struct FitStyle {
    int height = 35;         // the font's own height
    int minHeight = 21;      // the smallest height used (about 6 pt on paper)
    int widthPercent = 50;   // the width of one byte, in percent of the height
    int gapPercent = 12;     // room between lines, in percent of the height (at least 1)
    int roomyGapPercent = 0;  // when larger: tried first at every height, then closer in steps of 20
    int maxLines = 0;        // at most this many lines, 0 for as many as the box holds
    // Lines of even length (for centred texts): as many lines as the box needs, each as
    // short as that number of lines allows, so that no word is left alone on the last line.
    bool balance = false;
    // A word is never split: a text that would need it does not fit (a code such as
    // "TSGD7005-2018-A1B" read half on one line and half on the next reads as two).
    bool keepWords = false;
    // A text that does not fit even at the smallest height is shown, as far as it goes, at the
    // font's own height: when the rest is continued elsewhere, the lines shown keep the size of
    // their neighbours instead of all shrinking to the smallest.
    bool overflowAtOwnSize = false;
};

// The width of one byte at height `h`.
int fitByteWidth(const FitStyle& style, int h);

struct Fit {
    int height = 0;      // the font height chosen
    int byteWidth = 0;   // the width of one byte at it
    int lineStep = 0;    // from one line's top to the next
    std::string text;    // what the lines index: the text, or its shown part with the mark
    std::vector<TextLine> lines;
    // Bytes of the original text the lines show: all of it when `complete`.
    std::size_t shownBytes = 0;
    bool complete = true;
    bool splitWord = false;  // a word longer than a line was split

    std::string_view line(std::size_t i) const { return std::string_view(text).substr(lines[i].start, lines[i].length); }
    // The height the lines take: lines x height and the gaps between them.
    int blockHeight() const;
};

// Fits `gbk` into a box `width` x `height`. A box that holds one line at the font's own size
// keeps a text that is a little too long on that line in a somewhat smaller font (down to
// three quarters) before it wraps. When the text does not fit at the smallest height, the
// lines that fit are returned with `complete` false.
Fit fitText(std::string_view gbk, int width, int height, const FitStyle& style);

// As fitText, but a text that does not fit is shown as far as it goes with `mark` after it
// ("…", "…(见续页)"), the mark on the last line that fits.
Fit fitWithMark(std::string_view gbk, int width, int height, const FitStyle& style, std::string_view mark);

// Where the rest of `gbk` begins when its first `shown` bytes were shown: the last place at or
// before `shown` where a line may break, so that a word cut short is continued whole (0 when
// there is none: the whole text is the rest).
std::size_t restStart(std::string_view gbk, std::size_t shown);

// As fitText with the font's height given: breaks at `style.height` only, no shrinking.
Fit fitAtHeight(std::string_view gbk, int width, int height, const FitStyle& style);

}  // namespace text
