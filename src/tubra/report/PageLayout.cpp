#include "tubra/report/PageLayout.h"

#include <algorithm>
#include <unordered_map>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::report {

namespace {

constexpr int kProofQuality = 2;
constexpr int kModernPitchFamily = 0x30;
constexpr int kTableWeight = 500;
// Room between a cell's lines and its text.
constexpr int kCellPadX = 8;
constexpr int kCellPadY = 3;
// The smallest font a long text is shrunk to before it is cut.
constexpr int kSmallestFitHeight = 16;
// Size of a check box.
constexpr int kBoxWidth = 25;
constexpr int kBoxHeight = 24;

platform::Font makeFont(std::string_view face, int height, int width) {
    platform::Font f;
    f.face = G(face);
    f.height = height;
    f.width = width;
    f.weight = kTableWeight;
    f.quality = kProofQuality;
    f.pitchAndFamily = kModernPitchFamily;
    return f;
}

// The font at another height, its width scaled alike.
platform::Font resized(const platform::Font& f, int height) {
    platform::Font g = f;
    if (g.width > 0 && f.height > 0) g.width = std::max(1, g.width * height / f.height);
    g.height = height;
    return g;
}

// Whether the piece ends with the first byte of a two-byte character: an odd run of bytes
// with the high bit set at its end (a run always starts on a character boundary).
bool endsWithLeadByte(std::string_view piece) {
    std::size_t run = 0;
    for (std::size_t i = piece.size(); i > 0 && (static_cast<unsigned char>(piece[i - 1]) & 0x80); --i)
        ++run;
    return run % 2 == 1;
}

}  // namespace

const std::string& G(std::string_view utf8) {
    static std::unordered_map<std::string, std::string> cache;
    auto it = cache.find(std::string(utf8));
    if (it == cache.end()) it = cache.emplace(std::string(utf8), text::gbk(utf8)).first;
    return it->second;
}

std::string Fmt(std::string_view gbkFormat, std::string_view a) { return text::format(gbkFormat, a); }

std::string Fmt(std::string_view gbkFormat, std::string_view a, std::string_view b) {
    return text::format(gbkFormat, a, b);
}

const std::string& BlankDatePhrase() { return G("     年   月   日至     年   月   日"); }

std::string DateOrBlank(std::string_view date) { return date.empty() ? BlankDatePhrase() : std::string(date); }

platform::Font TitleFont() { return makeFont("黑体", 70, 0); }
platform::Font HeaderFont() { return makeFont("宋体", 35, 0); }
platform::Font CoverFont(int height) { return makeFont("黑体", height, 0); }
platform::Font TableFont(bool printer) {
    return makeFont("宋体", printer ? kPrinterTableHeight : kScreenTableHeight, 0);
}
platform::Font TableNumberFont(bool printer) {
    return makeFont("arail", printer ? kPrinterTableHeight : kScreenTableHeight, 14);
}

std::vector<WrappedLine> WrapParagraph(std::string_view paragraph, std::size_t maxBytes) {
    maxBytes = std::max<std::size_t>(maxBytes, 2);  // a line always moves on
    std::vector<WrappedLine> lines;
    std::size_t pos = 0;
    do {
        const std::string_view piece = paragraph.substr(pos, maxBytes);
        WrappedLine line{std::string(piece), pos};
        std::size_t next = pos + piece.size();
        if (piece.size() == maxBytes && endsWithLeadByte(piece)) {
            line.text.back() = ' ';
            --next;
        }
        lines.push_back(std::move(line));
        pos = next;
    } while (pos < paragraph.size());
    return lines;
}

std::vector<WrappedLine> WrapText(std::string_view text, std::size_t maxBytes) {
    std::vector<WrappedLine> lines;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view paragraph =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        for (WrappedLine& l : WrapParagraph(paragraph, maxBytes)) {
            l.start += start;
            lines.push_back(std::move(l));
        }
        if (end == std::string_view::npos) break;
        // CR LF, or a lone CR or LF, ends the paragraph.
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::size_t OptionOffset(std::string_view options, int k) {
    std::size_t pos = 0;
    for (int i = 0;; ++i) {
        pos = options.find("  ", pos);
        if (pos == std::string_view::npos || i == k) return pos;
        pos += 2;
    }
}

Cell label(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, false}; }
Cell value(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, false}; }
Cell leftText(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Left, false}; }
Cell number(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, true}; }

void pairRows(Grid& g, int height, const std::vector<LabelValue>& fields, int perRow, int labelWidth,
              int valueWidth, int lineFrom) {
    for (std::size_t i = 0; i < fields.size(); i += static_cast<std::size_t>(perRow)) {
        std::vector<Cell> cells;
        for (int k = 0; k < perRow; ++k) {
            const std::size_t j = i + static_cast<std::size_t>(k);
            const LabelValue empty;
            const LabelValue& f = j < fields.size() ? fields[j] : empty;
            cells.push_back(label(labelWidth, f.label));
            cells.push_back(value(k + 1 == perRow ? 0 : valueWidth, f.value));
        }
        g.row(height, cells, lineFrom);
    }
}

void signatures(Grid& g, int height, const std::string& left, const std::string& right, bool lineAbove) {
    PagePainter& p = g.page();
    const platform::Rect r = g.space(height, lineAbove ? -1 : g.right());
    const int middle = r.left + kFormWidth / 2;
    const platform::Font f = TableFont(p.printer());
    p.fitted({r.left + 10, r.top, middle, r.bottom}, left, f, Align::Left);
    p.fitted({middle, r.top, r.right - 10, r.bottom}, right, f, Align::Left);
}

void coverLine(PagePainter& p, int x, int y, std::string_view labelUtf8, int lineLength,
               const platform::Font& labelFont, const platform::Font& valueFont, std::string_view valueGbk,
               bool underline) {
    const std::string& l = G(labelUtf8);
    p.text(x, y, l, labelFont);
    const int h = p.charHeight(labelFont);
    const int from = x + static_cast<int>(l.size()) * p.averageWidth(labelFont) + 15;
    if (underline) p.hline(from, from + lineLength, y - h - 4);
    p.fitted({from, y + 4, from + lineLength, y - h - 2}, valueGbk, valueFont,
             underline ? Align::Centre : Align::Left);
}

// ---------------------------------------------------------------------------------------------

PagePainter::PagePainter(platform::Canvas& canvas, const InspectionReport& report,
                         const model::CharacteristicTable& table, int offset)
    : canvas_(canvas), report_(report), table_(table), offset_(offset), printer_(canvas.isPrinter()) {
    canvas_.setBackgroundMode(platform::BackgroundMode::Transparent);
    canvas_.setTextColour(0x000000);
    canvas_.setBrush(platform::Brush::null());
}

std::string_view PagePainter::pipelineName() const {
    const std::string_view name = table_.values[0].view();
    return name.empty() ? report_.Face_ReportData.texts[4].view() : name;
}
std::string_view PagePainter::pipelineNumber() const { return table_.values[1].view(); }
std::string_view PagePainter::pipelineClass() const { return table_.values[2].view(); }
std::string_view PagePainter::pipeSize() const { return table_.values[17].view(); }
std::string_view PagePainter::pipeMaterial() const { return table_.values[16].view(); }
std::string_view PagePainter::reportNumber() const { return report_.Face_ReportData.texts[7].view(); }

platform::Point PagePainter::at(int x, int y) const { return {x, y - offset_}; }

void PagePainter::line(int x1, int y1, int x2, int y2, const platform::Pen& pen) {
    canvas_.setPen(pen);
    canvas_.moveTo(at(x1, y1));
    canvas_.lineTo(at(x2, y2));
}

void PagePainter::box(const platform::Rect& r, const platform::Pen& pen) {
    canvas_.setPen(pen);
    canvas_.setBrush(platform::Brush::null());
    const platform::Point corners[5] = {at(r.left, r.top), at(r.right, r.top), at(r.right, r.bottom),
                                        at(r.left, r.bottom), at(r.left, r.top)};
    canvas_.polyline(corners);
}

void PagePainter::text(int x, int y, std::string_view gbk, const platform::Font& font) {
    if (gbk.empty()) return;
    canvas_.setFont(font);
    canvas_.textOut(at(x, y), gbk);
}

int PagePainter::averageWidth(const platform::Font& font) {
    canvas_.setFont(font);
    return std::max(1, canvas_.textMetrics().aveCharWidth);
}

int PagePainter::charHeight(const platform::Font& font) {
    canvas_.setFont(font);
    return canvas_.textMetrics().height;
}

int PagePainter::textWidth(std::string_view gbk, const platform::Font& font) {
    canvas_.setFont(font);
    const int byBytes = static_cast<int>(gbk.size()) * std::max(1, canvas_.textMetrics().aveCharWidth);
    // A face whose Latin capitals are wider than its average character still stays inside.
    return std::max(byBytes, canvas_.textExtent(gbk).cx);
}

void PagePainter::centred(const platform::Rect& cell, std::string_view gbk, const platform::Font& font) {
    if (gbk.empty()) return;
    const int h = charHeight(font);
    const int width = textWidth(gbk, font);
    text(cell.left + (cell.width() - width) / 2, cell.top - (cell.height() - h) / 2, gbk, font);
}

void PagePainter::fitted(const platform::Rect& cell, std::string_view gbk, const platform::Font& font,
                         Align align) {
    if (gbk.empty()) return;
    const int availW = cell.width() - 2 * kCellPadX;
    const int availH = cell.height() - 2 * kCellPadY;
    if (availW <= 0 || availH <= 0) return;
    const bool severalLines = gbk.find_first_of("\r\n") != std::string_view::npos;
    const auto oneLine = [&](const platform::Font& f, int ch) {
        if (align == Align::Centre)
            centred(cell, gbk, f);
        else
            text(cell.left + kCellPadX, cell.top - (cell.height() - ch) / 2, gbk, f);
    };
    // A text a little too wide keeps its one line in a somewhat smaller font ...
    if (!severalLines) {
        for (int height = std::abs(font.height); height >= std::abs(font.height) * 3 / 4; height -= 1) {
            const platform::Font f = resized(font, height);
            const int ch = charHeight(f);
            if (ch <= availH && textWidth(gbk, f) <= availW) {
                oneLine(f, ch);
                return;
            }
        }
    }
    // ... else the largest font at which it fits on one line or wrapped over the cell's lines.
    for (int height = std::abs(font.height);; height -= 2) {
        const bool smallest = height - 2 < kSmallestFitHeight;
        const platform::Font f = resized(font, height);
        const int avg = averageWidth(f);
        const int ch = charHeight(f);
        if (!severalLines && ch <= availH && textWidth(gbk, f) <= availW) {
            oneLine(f, ch);
            return;
        }
        std::size_t perLine = static_cast<std::size_t>(std::max(2, availW / avg));
        std::vector<WrappedLine> lines = WrapText(gbk, perLine);
        // Lines wider than their bytes promise (wide Latin letters) wrap a little earlier.
        while (perLine > 2 && std::any_of(lines.begin(), lines.end(), [&](const WrappedLine& l) {
                   return textWidth(l.text, f) > availW;
               }))
            lines = WrapText(gbk, --perLine);
        const int step = ch + 2;
        const int fit = std::max(1, availH / step);
        if (static_cast<int>(lines.size()) <= fit || smallest) {
            const int shown = std::min(static_cast<int>(lines.size()), fit);
            int y = cell.top - (cell.height() - shown * step) / 2;
            for (int i = 0; i < shown; ++i, y -= step) {
                const std::string& l = lines[static_cast<std::size_t>(i)].text;
                const int x = align == Align::Centre ? cell.left + (cell.width() - textWidth(l, f)) / 2
                                                     : cell.left + kCellPadX;
                text(x, y, l, f);
            }
            return;
        }
    }
}

void PagePainter::paragraphs(const platform::Rect& box, const std::vector<std::string>& texts,
                             const platform::Font& font, int indent) {
    const int availW = box.width() - 2 * indent;
    const int availH = box.height() - 2 * indent;
    for (int height = std::abs(font.height);; height -= 2) {
        const bool smallest = height - 2 < kSmallestFitHeight;
        const platform::Font f = resized(font, height);
        const int ch = charHeight(f);
        // Roomy lines at the normal size, closer ones when the text is long.
        const int step = std::max(ch + 4, ch * 9 / 5 - (std::abs(font.height) - height));
        const std::size_t perLine = static_cast<std::size_t>(std::max(2, availW / averageWidth(f)));
        std::vector<std::string> lines;
        for (const std::string& t : texts)
            for (WrappedLine& l : WrapText(t, perLine)) lines.push_back(std::move(l.text));
        const int fit = std::max(1, availH / step);
        if (static_cast<int>(lines.size()) <= fit || smallest) {
            int y = box.top - indent;
            for (int i = 0; i < std::min(fit, static_cast<int>(lines.size())); ++i, y -= step)
                text(box.left + indent, y, lines[static_cast<std::size_t>(i)], f);
            return;
        }
    }
}

int PagePainter::wrapped(std::string_view paragraph, int x, int y, int lineStep, std::size_t maxBytes,
                         const platform::Font& font) {
    for (const WrappedLine& l : WrapParagraph(paragraph, maxBytes)) {
        text(x, y, l.text, font);
        y -= lineStep;
    }
    return y;
}

int PagePainter::textBlock(std::string_view textBytes, int x, int y, int lineStep, std::size_t maxBytes,
                           const platform::Font& font, int maxLines) {
    int drawn = 0;
    for (const WrappedLine& l : WrapText(textBytes, maxBytes)) {
        if (maxLines > 0 && drawn == maxLines) break;
        text(x, y, l.text, font);
        y -= lineStep;
        ++drawn;
    }
    return y;
}

void PagePainter::header(std::string_view title, int top) {
    const platform::Font titleFont = TitleFont();
    const int avg = averageWidth(titleFont);
    const int h = charHeight(titleFont);
    const int titleBytes = static_cast<int>(title.size());
    text(kFormLeft + (kTitleBandWidth - titleBytes * avg) / 2 + 70, top + h + 200, title, titleFont);

    const platform::Font f = HeaderFont();
    const int fh = charHeight(f);
    const auto field = [&](int x, int y, int right, const std::string& s) {
        fitted({x - kCellPadX, y + kCellPadY, right, y - fh - kCellPadY}, s, f, Align::Left);
    };
    constexpr int kRightColumn = 1150;
    const std::string t(title);
    if (t.find(G("结论")) != std::string::npos || t.find(G("汇总")) != std::string::npos) {
        const auto& face = report_.Face_ReportData.texts;
        field(kFormLeft, top + 110, kRightColumn - 20, Fmt(G("装置名称：%s"), face[3].view()));
        field(kFormLeft, top + 60, kRightColumn - 20, Fmt(G("管道编号：%s"), face[5].view()));
        field(kRightColumn, top + 110, kFormRight + kCellPadX, Fmt(G("管道名称：%s"), pipelineName()));
        field(kRightColumn, top + 60, kFormRight + kCellPadX, Fmt(G("报告编号：%s"), reportNumber()));
        return;
    }
    if (t == G("在用工业管道原始资料登记表") || t == G("在用工业管道在线检验测厚记录") ||
        t == G("在用工业管道在线检验报告"))
        return;
    field(kRightColumn, top + 60, kFormRight + kCellPadX, Fmt(G("报告编号：%s"), reportNumber()));
}

void PagePainter::outline() { box(kMarginRect, {platform::PenStyle::Solid, 1, 0x000000}); }

void PagePainter::paper() {
    canvas_.fillRect({0, -offset_, model::kReportPageWidth, -offset_ - model::kReportPageHeight}, 0xFFFFFF);
}

void PagePainter::pageNumber(std::string_view label) {
    if (label.empty()) return;
    text(kPageNumberPosition.x, kPageNumberPosition.y, label, HeaderFont());
}

void PagePainter::checkBox(int x, int y, bool checked) {
    box({x, y + kBoxHeight, x + kBoxWidth, y}, kInnerPen);
    if (!checked) return;
    // A tick: from the left edge at mid height down to the bottom at two fifths of the width,
    // then up to the top right corner; three strokes side by side for weight.
    for (int d = 0; d < 3; ++d) {
        const platform::Point stroke[3] = {at(x + d, y + kBoxHeight / 2 + d),
                                           at(x + kBoxWidth * 2 / 5 + d, y + d),
                                           at(x + kBoxWidth + d, y + kBoxHeight + d)};
        canvas_.setPen(kInnerPen);
        canvas_.polyline(stroke);
    }
}

int PagePainter::optionLines(std::string_view options, int x, int y, int lineStep, std::size_t maxBytes,
                             const platform::Font& font, const std::vector<int>& states) {
    const int avg = averageWidth(font);
    const int h = charHeight(font);
    const std::vector<WrappedLine> lines = WrapParagraph(options, maxBytes);
    // The text between option starts, each piece placed by its byte offset so that boxes
    // and words never overlap whatever the face's blank width.
    std::vector<std::size_t> starts;
    for (int k = 0;; ++k) {
        const std::size_t off = OptionOffset(options, k);
        if (off == std::string_view::npos) break;
        starts.push_back(off);
    }
    int lineY = y;
    for (const WrappedLine& l : lines) {
        const std::size_t end = l.start + l.text.size();
        std::size_t from = l.start;
        const auto drawPiece = [&](std::size_t a, std::size_t b) {
            if (b <= a) return;
            std::string piece = l.text.substr(a - l.start, b - a);
            const auto first = piece.find_first_not_of(' ');
            if (first == std::string::npos) return;
            text(x + static_cast<int>(a - l.start + first) * avg, lineY, piece.substr(first), font);
        };
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::size_t s = starts[k];
            if (s < l.start || s >= end) continue;
            drawPiece(from, s);
            from = s;
            const int boxX = x + static_cast<int>(s - l.start) * avg;
            const bool checked = k < states.size() && states[k] == 1;
            checkBox(boxX + 2, lineY - h + (h - kBoxHeight) / 2, checked);
        }
        drawPiece(from, end);
        lineY -= lineStep;
    }
    return lineY;
}

// ---------------------------------------------------------------------------------------------

Grid::Grid(PagePainter& page, int top, int left, int width)
    : page_(page), left_(left), width_(width), top_(top), bottom_(top) {}

Grid& Grid::row(int height, const std::vector<Cell>& cells, int lineFrom) {
    const int rowTop = bottom_;
    const int rowBottom = rowTop - height;
    if (rowTop != top_) page_.hline(lineFrom < 0 ? left_ : lineFrom, right(), rowTop);
    int fixed = 0, shares = 0;
    for (const Cell& c : cells) {
        fixed += c.width;
        shares += c.width == 0;
    }
    const int available = right() - (lineFrom < 0 ? left_ : lineFrom);
    const int share = shares ? (available - fixed) / shares : 0;
    int x = lineFrom < 0 ? left_ : lineFrom;
    const bool printer = page_.printer();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        int w = c.width ? c.width : share;
        if (i + 1 == cells.size()) w = right() - x;  // the last cell reaches the edge
        const platform::Rect r{x, rowTop, x + w, rowBottom};
        page_.fitted(r, c.text, c.number ? TableNumberFont(printer) : TableFont(printer), c.align);
        x += w;
        if (i + 1 < cells.size()) page_.vline(x, rowTop, rowBottom);
    }
    if (lineFrom > left_) page_.vline(lineFrom, rowTop, rowBottom);
    bottom_ = rowBottom;
    return *this;
}

platform::Rect Grid::space(int height, int lineFrom) {
    const int rowTop = bottom_;
    if (rowTop != top_ && lineFrom < right()) page_.hline(lineFrom < 0 ? left_ : lineFrom, right(), rowTop);
    bottom_ = rowTop - height;
    if (lineFrom >= right()) lineFrom = -1;  // a row without a line above spans the whole width
    if (lineFrom > left_) page_.vline(lineFrom, rowTop, bottom_);
    return {lineFrom < 0 ? left_ : lineFrom, rowTop, right(), bottom_};
}

void Grid::sideLabel(int fromY, int width, std::string_view gbk) {
    page_.fitted({left_, fromY, left_ + width, bottom_}, gbk, TableFont(page_.printer()));
}

void Grid::close() { page_.box({left_, top_, right(), bottom_}, kFramePen); }

}  // namespace tubra::report
