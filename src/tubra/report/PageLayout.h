#pragma once
// What every report page is drawn with: the page geometry, the fonts and pens of the printed
// forms, the header block, texts centred in cells by their byte length, wrapped paragraphs
// that never split a two-byte character, check-box option lines, table grids and the page
// number. Coordinates are logical units of 0.1 mm with y upward, given for a page whose top
// edge lies at y = 0; a page painter placed lower in a stack draws at the same coordinates
// and `PagePainter` moves everything down by the page's offset.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/Drawing.h"
#include "tubra/report/InspectionReport.h"

namespace tubra::report {

// Page geometry (page top at y = 0).
inline constexpr int kMarginInset = 50;
inline constexpr int kFormWidth = 1600;
inline constexpr int kFormLeft = (2000 - kFormWidth) / 2 + 70;  // 270
inline constexpr int kFormTop = -500;
inline constexpr int kFormRight = kFormLeft + kFormWidth;
inline constexpr int kTitleBandWidth = 1400;
// The margin rectangle: 50 inside the 2100 x 2900 page.
inline constexpr platform::Rect kMarginRect{kMarginInset, -kMarginInset, model::kReportPageWidth - kMarginInset,
                                            -(model::kReportPageHeight - kMarginInset)};
// Where the page number goes: 300 left of the margin's right edge, 150 above its bottom.
inline constexpr platform::Point kPageNumberPosition{kMarginRect.right - 300, kMarginRect.bottom + 150};
// The lowest a form's content may reach, clear of the page number.
inline constexpr int kFormBottomLimit = kPageNumberPosition.y + 20;

// Pens: the outer frame of a table and its inner lines.
inline constexpr platform::Pen kFramePen{platform::PenStyle::Solid, 4, 0x000000};
inline constexpr platform::Pen kInnerPen{platform::PenStyle::Solid, 2, 0x000000};

// Fonts of the forms.
platform::Font TitleFont();                      // "黑体" 70
platform::Font HeaderFont();                     // "宋体" 35
platform::Font CoverFont(int height);            // "黑体"
// Table text: 32 on screen, 35 on paper. "宋体" for words, "arail" (narrow, width 14) for
// numbers and codes.
platform::Font TableFont(bool printer);
platform::Font TableNumberFont(bool printer);
inline constexpr int kScreenTableHeight = 32;
inline constexpr int kPrinterTableHeight = 35;

// One paragraph cut into lines of at most `maxBytes` bytes. A line that would end with the
// first byte of a two-byte character ends with a blank instead and the next line starts with
// that character. The cutting stops after the first line shorter than maxBytes - 1 (the rest
// of such a paragraph is not shown, as on the printed form); `start` gives each line's byte
// offset in the paragraph.
struct WrappedLine {
    std::string text;
    std::size_t start = 0;
};
std::vector<WrappedLine> WrapParagraph(std::string_view paragraph, std::size_t maxBytes);
// A several-line text split at each CR LF (a lone CR or LF too), each paragraph wrapped.
std::vector<WrappedLine> WrapText(std::string_view text, std::size_t maxBytes);

// Options of a check-box line: each option starts with two blanks ("  正常；  碰撞").
// Returns the byte offset of the k-th two-blank pair of `options`, or npos.
std::size_t OptionOffset(std::string_view options, int k);

enum class Align { Centre, Left };

// A cell of a grid row.
struct Cell {
    int width = 0;  // 0: what is left of the row
    std::string text;  // GBK
    Align align = Align::Centre;
    bool number = false;  // in the narrow number font
};
// Convenience makers (texts given as GBK).
Cell label(int width, std::string_view gbk);
Cell value(int width, std::string_view gbk);
Cell leftText(int width, std::string_view gbk);
Cell number(int width, std::string_view gbk);

class PagePainter {
public:
    // Draws a page whose top edge lies `offset` units below y = 0 (0 for a single page,
    // 2900 x slot in a stack).
    PagePainter(platform::Canvas& canvas, const InspectionReport& report,
                const model::CharacteristicTable& table, int offset = 0);

    platform::Canvas& canvas() { return canvas_; }
    const InspectionReport& report() const { return report_; }
    const model::CharacteristicTable& table() const { return table_; }
    bool printer() const { return printer_; }
    int offset() const { return offset_; }

    // The characteristic table's values used by the forms (GBK).
    std::string_view pipelineName() const;  // falls back to the cover's copy when empty
    std::string_view pipelineNumber() const;
    std::string_view pipelineClass() const;
    std::string_view pipeSize() const;
    std::string_view pipeMaterial() const;
    std::string_view reportNumber() const;  // cover field 7

    // --- drawing in page coordinates ---
    void line(int x1, int y1, int x2, int y2, const platform::Pen& pen = kInnerPen);
    void hline(int x1, int x2, int y, const platform::Pen& pen = kInnerPen) { line(x1, y, x2, y, pen); }
    void vline(int x, int y1, int y2, const platform::Pen& pen = kInnerPen) { line(x, y1, x, y2, pen); }
    // A rectangle outline (no fill); `r` in page coordinates, top the larger y.
    void box(const platform::Rect& r, const platform::Pen& pen = kFramePen);
    // A text with its top-left at (x, y).
    void text(int x, int y, std::string_view gbk, const platform::Font& font);
    // The average character width and the character height of a font.
    int averageWidth(const platform::Font& font);
    int charHeight(const platform::Font& font);
    // The width a text takes: its byte length times the average width, or what the face
    // really draws when that is wider.
    int textWidth(std::string_view gbk, const platform::Font& font);

    // Centred in the cell by byte length x average width, and vertically by
    // (height - character height) / 2.
    void centred(const platform::Rect& cell, std::string_view gbk, const platform::Font& font);
    // The text fitted into the cell: on one line when it fits (centred or from the left),
    // else wrapped over as many lines as the cell holds; a text that still does not fit gets
    // a smaller font. Never leaves the cell.
    void fitted(const platform::Rect& cell, std::string_view gbk, const platform::Font& font,
                Align align = Align::Centre);

    // Draws the lines of a wrapped paragraph from (x, y) down, `lineStep` apart; returns the y
    // below the last line.
    int wrapped(std::string_view paragraph, int x, int y, int lineStep, std::size_t maxBytes,
                const platform::Font& font);
    // Paragraphs wrapped one below the other inside `box`, `indent` from its edges, in the
    // largest font up to `font` at which all of them fit.
    void paragraphs(const platform::Rect& box, const std::vector<std::string>& texts,
                    const platform::Font& font, int indent);
    // Each paragraph of a several-line text wrapped, one below the other.
    int textBlock(std::string_view text, int x, int y, int lineStep, std::size_t maxBytes,
                  const platform::Font& font, int maxLines = 0);

    // The title and the header fields above a form's table (see the header rules in the
    // source). `top` is the form block's top.
    void header(std::string_view title, int top = kFormTop);
    // The margin rectangle as the page outline (screen only; the caller decides).
    void outline();
    // White paper under the page on the screen.
    void paper();
    // The page number at its place.
    void pageNumber(std::string_view label);

    // Check-box option lines: `options` (GBK, every option starting with two blanks) wrapped
    // at `maxBytes` from (x, y), `lineStep` apart; option k gets a box, ticked when
    // states[first + k] is 1. Returns the y below the last line.
    int optionLines(std::string_view options, int x, int y, int lineStep, std::size_t maxBytes,
                    const platform::Font& font, const std::vector<int>& states);
    // A box of 25 x 24 with its bottom-left near (x, y); a tick when `checked`.
    void checkBox(int x, int y, bool checked);

private:
    platform::Point at(int x, int y) const;

    platform::Canvas& canvas_;
    const InspectionReport& report_;
    const model::CharacteristicTable& table_;
    int offset_;
    bool printer_;
};

// A table drawn row by row from the form block's left edge, 1600 wide: inner lines with the
// thin pen, the outer frame with the thick one when closed.
class Grid {
public:
    Grid(PagePainter& page, int top, int left = kFormLeft, int width = kFormWidth);
    Grid(const Grid&) = delete;
    Grid& operator=(const Grid&) = delete;

    // A row of cells under the previous one; widths of 0 share what is left. The line above
    // the row runs from `lineFrom` (default: the left edge) to the right edge, so a cell of
    // an earlier row can reach down beside it (see `sideLabel`).
    Grid& row(int height, const std::vector<Cell>& cells, int lineFrom = -1);
    // A row without inner lines, for free content: returns its rectangle. `lineFrom` as for
    // `row`; at or beyond the right edge the row has no line above it.
    platform::Rect space(int height, int lineFrom = -1);
    // A label in a column of width `width` at the left, from `fromY` down to the grid's
    // current bottom, with a line on its right; the rows beside it start their lines at
    // left + width.
    void sideLabel(int fromY, int width, std::string_view gbk);
    int top() const { return top_; }
    int bottom() const { return bottom_; }
    int left() const { return left_; }
    int right() const { return left_ + width_; }
    // Draws the outer frame.
    void close();

    PagePainter& page() { return page_; }

private:
    PagePainter& page_;
    int left_;
    int width_;
    int top_;
    int bottom_;
};

// Field texts formatted with C printf rules (GBK in, GBK out).
std::string Fmt(std::string_view gbkFormat, std::string_view a);
std::string Fmt(std::string_view gbkFormat, std::string_view a, std::string_view b);
// UTF-8 program text as GBK, converted once per distinct text.
const std::string& G(std::string_view utf8);

// The blank date phrase of the forms, used where an inspection date is empty.
const std::string& BlankDatePhrase();
// `date`, or the blank date phrase when it is empty.
std::string DateOrBlank(std::string_view date);

// A label and its value (GBK), for rows of pairs.
struct LabelValue {
    std::string label;
    std::string value;
};
// Pairs a section's texts with labels: `textPairs(texts)("检测部位", 6)` is the label (UTF-8)
// with text 6.
template <class Texts>
auto textPairs(const Texts& texts) {
    return [&texts](std::string_view labelUtf8, int k) {
        return LabelValue{G(labelUtf8), texts[static_cast<std::size_t>(k)].str()};
    };
}
// Rows of `perRow` label/value pairs, `labelWidth` and `valueWidth` each (the last value takes
// what is left of the row); `lineFrom` as for `Grid::row`.
void pairRows(Grid& g, int height, const std::vector<LabelValue>& fields, int perRow, int labelWidth,
              int valueWidth, int lineFrom = -1);
// The two signature texts side by side in a row of their own; without `lineAbove` the row
// has no line above it.
void signatures(Grid& g, int height, const std::string& left, const std::string& right,
                bool lineAbove = true);
// A cover line: a label, then the value centred on an underline of `lineLength`; without
// `underline`, the value from the left where the line would be.
void coverLine(PagePainter& p, int x, int y, std::string_view labelUtf8, int lineLength,
               const platform::Font& labelFont, const platform::Font& valueFont, std::string_view valueGbk,
               bool underline = true);

}  // namespace tubra::report
