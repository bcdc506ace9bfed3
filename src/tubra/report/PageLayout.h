#pragma once
// What every report page is drawn with: the page geometry, the fonts and pens of the printed
// forms, the header block, values fitted into their cells (text/TextFit.h: whole words, one
// size per row, continued on a continuation sheet when even the smallest size cannot hold
// them), wrapped paragraphs that never split a two-byte character, check-box option lines,
// table grids and the page number. Coordinates are logical units of 0.1 mm with y upward, given for a page whose top
// edge lies at y = 0; a page painter placed lower in a stack draws at the same coordinates
// and `PagePainter` moves everything down by the page's offset.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "text/Gbk.h"
#include "text/TextFit.h"
#include "tubra/model/Drawing.h"
#include "tubra/report/data/InspectionReport.h"

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
platform::Font titleFont();                      // "黑体" 70
platform::Font headerFont();                     // "宋体" 35
platform::Font coverFont(int height);            // "黑体"
// Table text: 32 on screen, 35 on paper. "宋体" for words, "arail" (narrow, width 14) for
// numbers and codes.
platform::Font tableFont(bool printer);
platform::Font tableNumberFont(bool printer);
inline constexpr int kScreenTableHeight = 32;
inline constexpr int kPrinterTableHeight = 35;

// The faces the values of the forms are fitted in. Sizes are those on paper: the fit of a text
// is worked out for paper, so the screen breaks the lines where the printer does and only
// draws the table text a little smaller (32 for 35).
struct TextFace {
    std::string_view face;  // UTF-8
    int height = kPrinterTableHeight;
    int widthPercent = 50;  // one byte's width in percent of the height
    bool table = true;      // drawn smaller on the screen
};
inline constexpr TextFace kTableFace{"宋体", kPrinterTableHeight, 50, true};
inline constexpr TextFace kNumberFace{"arail", kPrinterTableHeight, 40, true};  // 14 wide at 35
inline constexpr TextFace kHeaderFace{"宋体", 35, 50, false};
constexpr TextFace coverFace(int height) { return {"黑体", height, 50, false}; }
// The smallest text of the forms: about 6 pt on paper.
inline constexpr int kMinTextHeight = 21;
// The font that draws `face` at paper height `height` on the device: its width set, so that
// every byte is exactly as wide as the fit counted it.
platform::Font faceFont(const TextFace& face, int height, bool printer);

// The mark that ends the shown part of a value continued on a continuation sheet, and of one
// cut where nothing can continue it.
const std::string& continuedMark();  // "…(见续页)"
const std::string& cutMark();        // "…"

// A value a page could not show whole in its box: it is printed whole on the page's
// continuation sheet, under its label.
struct ContinuedField {
    std::string label;  // GBK
    std::string text;   // GBK, the whole value
    friend bool operator==(const ContinuedField&, const ContinuedField&) = default;
};

// One paragraph cut into lines of at most `maxBytes` bytes. A line that would end with the
// first byte of a two-byte character ends with a blank instead and the next line starts with
// that character. The cutting stops after the first line shorter than maxBytes - 1 (the rest
// of such a paragraph is not shown, as on the printed form); `start` gives each line's byte
// offset in the paragraph.
struct WrappedLine {
    std::string text;
    std::size_t start = 0;
};
std::vector<WrappedLine> wrapParagraph(std::string_view paragraph, std::size_t maxBytes);
// A several-line text split at each CR LF (a lone CR or LF too), each paragraph wrapped.
std::vector<WrappedLine> wrapText(std::string_view text, std::size_t maxBytes);

// Options of a check-box line: each option starts with two blanks ("  正常；  碰撞").
// Returns the byte offset of the k-th two-blank pair of `options`, or npos.
std::size_t optionOffset(std::string_view options, int k);
// The options wrapped at `maxBytes`, an option never parted from its box: a line breaks
// before an option that would not fit, and only an option longer than a line is wrapped
// inside (without splitting a character).
std::vector<WrappedLine> wrapOptions(std::string_view options, std::size_t maxBytes);

enum class Align { Centre, Left };
// Where the lines of a fitted text sit in the height of their box.
enum class VAlign { Centre, Top, Bottom };

// A cell of a grid row.
struct Cell {
    int width = 0;  // 0: what is left of the row
    std::string text;  // GBK
    Align align = Align::Centre;
    bool number = false;  // in the narrow number face
    bool isLabel = false;  // a printed label of the form (its size is kept apart from the values')
    std::string field;  // the value's label on a continuation sheet (GBK); empty: the row's label
};
// Convenience makers (texts given as GBK).
Cell label(int width, std::string_view gbk);
Cell value(int width, std::string_view gbk);
Cell leftText(int width, std::string_view gbk);
Cell number(int width, std::string_view gbk);

// One text to fit into a box, alone or in a group that shares one size.
struct FitItem {
    FitItem() = default;
    FitItem(platform::Rect c, std::string t, TextFace f = kTableFace, Align a = Align::Centre)
        : cell(c), text(std::move(t)), face(f), align(a) {}

    platform::Rect cell;      // page coordinates; the text keeps clear of its lines
    std::string text;         // GBK
    TextFace face = kTableFace;
    Align align = Align::Centre;
    VAlign valign = VAlign::Centre;
    int maxLines = 0;         // 0: as many as the box holds
    bool paragraphs = false;  // roomy lines while they fit
    std::string field;        // GBK label for a continuation sheet
};

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

    // The text fitted into the cell (see text/TextFit.h): on as many lines as the cell holds,
    // shrunk down to the smallest size when it must; never leaving the cell. A value that does
    // not fit even so shows its beginning with the continued mark and goes whole onto the
    // page's continuation sheet under `field`; on a page that cannot be continued (the covers)
    // it ends with "…" and `field` is noted as cut.
    void fitted(const platform::Rect& cell, std::string_view gbk, const TextFace& face = kTableFace,
                Align align = Align::Centre, std::string_view field = {});
    void fitted(const FitItem& item);
    // Texts that share one size: the largest at which each of them fits (or the smallest).
    void fittedGroup(const std::vector<FitItem>& items);
    // The group drawn at a given size.
    void fittedAt(const std::vector<FitItem>& items, int height);

    // Whether values that do not fit go to a continuation sheet (forms) or end with "…"
    // (covers).
    void setContinuable(bool on) { continuable_ = on; }
    // What the page drawn so far could not show whole.
    const std::vector<ContinuedField>& continued() const { return continued_; }
    // Labels of values cut with "…" (GBK).
    const std::vector<std::string>& cut() const { return cut_; }

    // Draws the lines of a wrapped paragraph from (x, y) down, `lineStep` apart; returns the y
    // below the last line.
    int wrapped(std::string_view paragraph, int x, int y, int lineStep, std::size_t maxBytes,
                const platform::Font& font);

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
    // `byteWidth` places the bytes (0: the font's average width); the forms give the paper's, so
    // that the screen puts the boxes where the printer does.
    int optionLines(std::string_view options, int x, int y, int lineStep, std::size_t maxBytes,
                    const platform::Font& font, const std::vector<int>& states, int byteWidth = 0);
    // A box of 25 x 24 with its bottom-left near (x, y); a tick when `checked`.
    void checkBox(int x, int y, bool checked);

private:
    struct GroupFit {
        int height = 0;
        std::vector<text::Fit> fits;  // one per item at `height`, when worked out
    };
    GroupFit groupFits(const std::vector<FitItem>& items) const;
    platform::Point at(int x, int y) const;
    text::Fit fitItem(const FitItem& item, int height) const;
    void drawFit(const FitItem& item, const text::Fit& fit);

    platform::Canvas& canvas_;
    const InspectionReport& report_;
    const model::CharacteristicTable& table_;
    int offset_;
    bool printer_;
    bool continuable_ = true;
    std::vector<ContinuedField> continued_;
    std::vector<std::string> cut_;
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
    // left + width. The side labels of a grid share one size and are drawn when it closes.
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
    std::vector<FitItem> sideLabels_;
    // The labels of the last row made only of labels (a table's heading), by their columns: the
    // values under them are named by them on a continuation sheet.
    struct Column {
        int left = 0, right = 0;
        std::string label;
    };
    std::vector<Column> heading_;
};

// Field texts formatted with C printf rules (GBK in, GBK out).
std::string fmt(std::string_view gbkFormat, std::string_view a);
std::string fmt(std::string_view gbkFormat, std::string_view a, std::string_view b);

// The blank date phrase of the forms, used where an inspection date is empty.
const std::string& blankDatePhrase();
// `date`, or the blank date phrase when it is empty.
std::string dateOrBlank(std::string_view date);

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
        return LabelValue{text::gbk(labelUtf8), texts[static_cast<std::size_t>(k)].str()};
    };
}
// Rows of `perRow` label/value pairs, `labelWidth` and `valueWidth` each (the last value takes
// what is left of the row); `lineFrom` as for `Grid::row`.
void pairRows(Grid& g, int height, const std::vector<LabelValue>& fields, int perRow, int labelWidth,
              int valueWidth, int lineFrom = -1);
// A box of `height` with a label at its top-left and a several-line text under it, showing at
// most `maxLines` lines (0: as many as the box holds).
void noteBox(Grid& g, int height, std::string_view labelUtf8, std::string_view note, int maxLines = 0);
// The two signature texts side by side in a row of their own; without `lineAbove` the row
// has no line above it.
void signatures(Grid& g, int height, const std::string& left, const std::string& right,
                bool lineAbove = true);
// A cover line: a label, then the value centred on an underline of `lineLength`; without
// `underline`, the value from the left where the line would be. Draws the label and the line
// and returns the value's box, for the cover to fit its values in one size.
FitItem coverLine(PagePainter& p, int x, int y, std::string_view labelUtf8, int lineLength,
                  const platform::Font& labelFont, const TextFace& valueFace, std::string_view valueGbk,
                  bool underline = true);

}  // namespace tubra::report
