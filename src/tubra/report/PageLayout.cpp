#include "tubra/report/PageLayout.h"

#include <algorithm>

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
// Room between the lines of a fitted text, and between paragraphs' lines while they fit.
constexpr int kLineGapPercent = 12;
constexpr int kParagraphGapPercent = 80;
// Size of a check box.
constexpr int kBoxWidth = 25;
constexpr int kBoxHeight = 24;

platform::Font makeFont(std::string_view face, int height, int width) {
    platform::Font f;
    f.face = text::gbk(face);
    f.height = height;
    f.width = width;
    f.weight = kTableWeight;
    f.quality = kProofQuality;
    f.pitchAndFamily = kModernPitchFamily;
    return f;
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

std::string fmt(std::string_view gbkFormat, std::string_view a) { return text::format(gbkFormat, a); }

std::string fmt(std::string_view gbkFormat, std::string_view a, std::string_view b) {
    return text::format(gbkFormat, a, b);
}

const std::string& blankDatePhrase() { return text::gbk("     年   月   日至     年   月   日"); }

std::string dateOrBlank(std::string_view date) { return date.empty() ? blankDatePhrase() : std::string(date); }

// Every byte of the forms' texts takes half the height in width (a two-byte character a
// square), set in the font so that each device draws texts exactly as wide as they are counted.
platform::Font titleFont() { return makeFont("黑体", 70, 35); }
platform::Font headerFont() { return makeFont("宋体", 35, 17); }
platform::Font coverFont(int height) { return makeFont("黑体", height, height / 2); }
platform::Font tableFont(bool printer) {
    const int h = printer ? kPrinterTableHeight : kScreenTableHeight;
    return makeFont("宋体", h, h / 2);
}
platform::Font tableNumberFont(bool printer) {
    return makeFont("arail", printer ? kPrinterTableHeight : kScreenTableHeight, 14);
}

platform::Font faceFont(const TextFace& face, int height, bool printer) {
    text::FitStyle style;
    style.widthPercent = face.widthPercent;
    int h = height;
    int w = text::fitByteWidth(style, height);
    if (face.table && !printer) {
        // The screen's table text is 32 where the paper's is 35.
        h = std::max(1, height * kScreenTableHeight / kPrinterTableHeight);
        w = std::max(1, w * kScreenTableHeight / kPrinterTableHeight);
    }
    return makeFont(face.face, h, w);
}

const std::string& continuedMark() { return text::gbk("…(见续页)"); }
const std::string& cutMark() { return text::gbk("…"); }

std::vector<WrappedLine> wrapParagraph(std::string_view paragraph, std::size_t maxBytes) {
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

std::vector<WrappedLine> wrapText(std::string_view text, std::size_t maxBytes) {
    std::vector<WrappedLine> lines;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view paragraph =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        for (WrappedLine& l : wrapParagraph(paragraph, maxBytes)) {
            l.start += start;
            lines.push_back(std::move(l));
        }
        if (end == std::string_view::npos) break;
        // CR LF, or a lone CR or LF, ends the paragraph.
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::size_t optionOffset(std::string_view options, int k) {
    std::size_t pos = 0;
    for (int i = 0;; ++i) {
        pos = options.find("  ", pos);
        if (pos == std::string_view::npos || i == k) return pos;
        pos += 2;
    }
}

std::vector<WrappedLine> wrapOptions(std::string_view options, std::size_t maxBytes) {
    maxBytes = std::max<std::size_t>(maxBytes, 2);
    std::vector<std::size_t> starts;
    for (int k = 0;; ++k) {
        const std::size_t at = optionOffset(options, k);
        if (at == std::string_view::npos) break;
        starts.push_back(at);
    }
    if (starts.empty() || starts.front() != 0) starts.insert(starts.begin(), 0);
    starts.push_back(options.size());
    std::vector<WrappedLine> lines;
    std::size_t lineStart = 0;
    const auto close = [&](std::size_t end) {
        if (end > lineStart) lines.push_back({std::string(options.substr(lineStart, end - lineStart)), lineStart});
        lineStart = end;
    };
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
        const std::size_t from = starts[k], to = starts[k + 1];
        if (to - lineStart <= maxBytes) continue;  // the option joins the line
        close(from);
        if (to - from <= maxBytes) continue;
        // An option longer than a line: wrapped inside, its last piece goes on.
        const std::vector<WrappedLine> pieces = wrapParagraph(options.substr(from, to - from), maxBytes);
        for (std::size_t i = 0; i + 1 < pieces.size(); ++i) close(from + pieces[i + 1].start);
    }
    close(options.size());
    if (lines.empty()) lines.push_back({std::string(), 0});
    return lines;
}

Cell label(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, false, true, {}}; }
Cell value(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, false, false, {}}; }
Cell leftText(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Left, false, false, {}}; }
Cell number(int width, std::string_view gbk) { return {width, std::string(gbk), Align::Centre, true, false, {}}; }

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

void noteBox(Grid& g, int height, std::string_view labelUtf8, std::string_view note, int maxLines) {
    PagePainter& p = g.page();
    const platform::Rect r = g.space(height);
    const std::string& labelText = text::gbk(labelUtf8);
    p.text(r.left + 15, r.top - 12, labelText, tableFont(p.printer()));
    FitItem item{{r.left + 32, r.top - 18 - kTableFace.height, r.right - 12, r.bottom + 5}, std::string(note), kTableFace,
                 Align::Left};
    item.valign = VAlign::Top;
    item.maxLines = maxLines;
    // The label without its colon names the text on a continuation sheet.
    item.field = labelText;
    const std::string& colon = text::gbk("：");
    if (item.field.size() >= colon.size() && item.field.compare(item.field.size() - colon.size(), colon.size(), colon) == 0)
        item.field.resize(item.field.size() - colon.size());
    p.fitted(item);
}

void signatures(Grid& g, int height, const std::string& left, const std::string& right, bool lineAbove) {
    PagePainter& p = g.page();
    const platform::Rect r = g.space(height, lineAbove ? -1 : g.right());
    const int middle = r.left + kFormWidth / 2;
    FitItem a{{r.left + 10, r.top, middle, r.bottom}, left, kTableFace, Align::Left};
    FitItem b{{middle, r.top, r.right - 10, r.bottom}, right, kTableFace, Align::Left};
    // Named on a continuation sheet by the words before their colon ("检验人员", "审核").
    const auto name = [](const std::string& t) {
        const std::size_t colon = t.find(text::gbk("："));
        return colon != std::string::npos && colon > 0 ? t.substr(0, colon) : text::gbk("签字栏");
    };
    a.field = name(left);
    b.field = name(right);
    p.fittedGroup({a, b});
}

FitItem coverLine(PagePainter& p, int x, int y, std::string_view labelUtf8, int lineLength,
                  const platform::Font& labelFont, const TextFace& valueFace, std::string_view valueGbk,
                  bool underline) {
    const std::string& l = text::gbk(labelUtf8);
    p.text(x, y, l, labelFont);
    const int h = p.charHeight(labelFont);
    const int from = x + static_cast<int>(l.size()) * p.averageWidth(labelFont) + 15;
    if (underline) p.hline(from, from + lineLength, y - h - 4);
    // The value sits on its line; a long one takes a second line above it.
    FitItem item{{from, y + std::max(4, 2 * valueFace.height - h), from + lineLength, y - h - 2},
                 std::string(valueGbk), valueFace, underline ? Align::Centre : Align::Left};
    item.valign = VAlign::Bottom;
    item.field = l;
    return item;
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

text::Fit PagePainter::fitItem(const FitItem& item, int height) const {
    text::FitStyle style;
    style.height = height;
    style.minHeight = kMinTextHeight;
    style.widthPercent = item.face.widthPercent;
    style.gapPercent = kLineGapPercent;
    style.roomyGapPercent = item.paragraphs ? kParagraphGapPercent : 0;
    style.maxLines = item.maxLines;
    style.balance = item.align == Align::Centre;
    // What a continuation sheet takes over: a value is never split inside a word, and what the
    // box cannot hold even small is shown at its own size up to the mark.
    style.keepWords = continuable_;
    style.overflowAtOwnSize = continuable_;
    const int w = item.cell.width() - 2 * kCellPadX;
    const int h = item.cell.height() - 2 * kCellPadY;
    text::Fit fit = text::fitText(item.text, w, h, style);
    if (!fit.complete) {
        style.height = fit.height;
        fit = text::fitWithMark(item.text, w, h, style, continuable_ ? continuedMark() : cutMark());
        if (continuable_ && fit.shownBytes > 0 && text::restStart(item.text, fit.shownBytes) == 0) {
            // A single word (a code, a number) would be shown in part and continued whole: the
            // cell shows only the mark, so that no piece of it reads as the value.
            style.height = fit.height;
            style.balance = false;
            fit = text::fitAtHeight(continuedMark(), w, h, style);
            fit.complete = false;
            fit.shownBytes = 0;
        }
    }
    return fit;
}

void PagePainter::drawFit(const FitItem& item, const text::Fit& fit) {
    if (!fit.complete) {
        const std::string label = item.field.empty() ? text::gbk("栏目") : item.field;
        if (continuable_) {
            // Only what the page did not show goes on: from the start of the word or line the
            // page cut short.
            ContinuedField entry{label, item.text};
            if (const std::size_t from = text::restStart(item.text, fit.shownBytes); from > 0) {
                std::size_t rest = from;
                while (rest < item.text.size() &&
                       (item.text[rest] == ' ' || item.text[rest] == '\r' || item.text[rest] == '\n'))
                    ++rest;
                entry = {label + text::gbk("（续）"), item.text.substr(rest)};
            }
            if (std::find(continued_.begin(), continued_.end(), entry) == continued_.end())
                continued_.push_back(entry);
        } else {
            cut_.push_back(label);
        }
    }
    if (fit.lines.empty()) return;
    const platform::Font font = faceFont(item.face, fit.height, printer_);
    const int w = item.cell.width() - 2 * kCellPadX;
    const int h = item.cell.height() - 2 * kCellPadY;
    const int left = item.cell.left + kCellPadX;
    const int room = h - fit.blockHeight();
    int y = item.cell.top - kCellPadY -
            (item.valign == VAlign::Top ? 0 : item.valign == VAlign::Bottom ? room : room / 2);
    for (std::size_t i = 0; i < fit.lines.size(); ++i, y -= fit.lineStep) {
        const std::string_view line = fit.line(i);
        const int width = static_cast<int>(line.size()) * fit.byteWidth;
        text(item.align == Align::Centre ? left + (w - width) / 2 : left, y, line, font);
    }
}

void PagePainter::fitted(const platform::Rect& cell, std::string_view gbk, const TextFace& face, Align align,
                         std::string_view field) {
    FitItem item{cell, std::string(gbk), face, align};
    item.field = std::string(field);
    fitted(item);
}

void PagePainter::fitted(const FitItem& item) {
    if (item.text.empty()) return;
    drawFit(item, fitItem(item, item.face.height));
}


PagePainter::GroupFit PagePainter::groupFits(const std::vector<FitItem>& items) const {
    GroupFit g;
    for (const FitItem& item : items)
        if (!item.text.empty()) g.height = g.height ? std::min(g.height, item.face.height) : item.face.height;
    // Each text at the group's size may need a smaller one; the group takes the smallest, and
    // again, until every text fits at it (a few rounds at most: the size only falls).
    for (int round = 0; round < 8 && g.height > 0; ++round) {
        g.fits.clear();
        int least = g.height;
        for (const FitItem& item : items) {
            g.fits.push_back(item.text.empty() ? text::Fit{} : fitItem(item, std::min(g.height, item.face.height)));
            if (!item.text.empty()) least = std::min(least, g.fits.back().height);
        }
        if (least == g.height) return g;
        g.height = least;
    }
    g.fits.clear();
    return g;
}

void PagePainter::fittedAt(const std::vector<FitItem>& items, int height) {
    for (const FitItem& item : items)
        if (!item.text.empty()) drawFit(item, fitItem(item, std::min(height, item.face.height)));
}

void PagePainter::fittedGroup(const std::vector<FitItem>& items) {
    const GroupFit g = groupFits(items);
    if (g.fits.size() != items.size()) {
        fittedAt(items, g.height);
        return;
    }
    // The fits of the last round are those at the group's size.
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!items[i].text.empty()) drawFit(items[i], g.fits[i]);
}

int PagePainter::wrapped(std::string_view paragraph, int x, int y, int lineStep, std::size_t maxBytes,
                         const platform::Font& font) {
    for (const WrappedLine& l : wrapParagraph(paragraph, maxBytes)) {
        text(x, y, l.text, font);
        y -= lineStep;
    }
    return y;
}

void PagePainter::header(std::string_view title, int top) {
    const platform::Font font = titleFont();
    const int avg = averageWidth(font);
    const int h = charHeight(font);
    const int titleBytes = static_cast<int>(title.size());
    text(kFormLeft + (kTitleBandWidth - titleBytes * avg) / 2 + 70, top + h + 200, title, font);

    const int fh = kHeaderFace.height;
    const auto field = [&](int x, int y, int right, std::string_view labelUtf8, std::string_view v) {
        FitItem item{{x - kCellPadX, y + kCellPadY, right, y - fh - kCellPadY}, fmt(text::gbk(labelUtf8), v), kHeaderFace,
                     Align::Left};
        item.field = text::gbk(std::string(labelUtf8.substr(0, labelUtf8.find("%s"))));
        return item;
    };
    constexpr int kRightColumn = 1150;
    const std::string t(title);
    if (t.find(text::gbk("结论")) != std::string::npos || t.find(text::gbk("汇总")) != std::string::npos) {
        const auto& face = report_.Face_ReportData.texts;
        // The four fields in one size.
        fittedGroup({field(kFormLeft, top + 110, kRightColumn - 20, "装置名称：%s", face[3].view()),
                     field(kFormLeft, top + 60, kRightColumn - 20, "管道编号：%s", face[5].view()),
                     field(kRightColumn, top + 110, kFormRight + kCellPadX, "管道名称：%s", pipelineName()),
                     field(kRightColumn, top + 60, kFormRight + kCellPadX, "报告编号：%s", reportNumber())});
        return;
    }
    if (t.find(text::gbk("在用工业管道原始资料登记表")) == 0 || t.find(text::gbk("在用工业管道在线检验测厚记录")) == 0 ||
        t.find(text::gbk("在用工业管道在线检验报告")) == 0)
        return;
    fitted(field(kRightColumn, top + 60, kFormRight + kCellPadX, "报告编号：%s", reportNumber()));
}

void PagePainter::outline() { box(kMarginRect, {platform::PenStyle::Solid, 1, 0x000000}); }

void PagePainter::paper() {
    canvas_.fillRect({0, -offset_, model::kReportPageWidth, -offset_ - model::kReportPageHeight}, 0xFFFFFF);
}

void PagePainter::pageNumber(std::string_view label) {
    if (label.empty()) return;
    text(kPageNumberPosition.x, kPageNumberPosition.y, label, headerFont());
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
                             const platform::Font& font, const std::vector<int>& states, int byteWidth) {
    const int avg = byteWidth > 0 ? byteWidth : averageWidth(font);
    const int h = charHeight(font);
    const std::vector<WrappedLine> lines = wrapOptions(options, maxBytes);
    // The text between option starts, each piece placed by its byte offset so that boxes
    // and words never overlap whatever the face's blank width.
    std::vector<std::size_t> starts;
    for (int k = 0;; ++k) {
        const std::size_t off = optionOffset(options, k);
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
    // The row's values in one size; each label of the form in its own.
    std::vector<FitItem> labels, values;
    std::string lastLabel;
    const bool headingRow = std::all_of(cells.begin(), cells.end(), [](const Cell& c) { return c.isLabel; });
    const bool anyLabel = std::any_of(cells.begin(), cells.end(), [](const Cell& c) { return c.isLabel; });
    if (headingRow) heading_.clear();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        int w = c.width ? c.width : share;
        if (i + 1 == cells.size()) w = right() - x;  // the last cell reaches the edge
        FitItem item{{x, rowTop, x + w, rowBottom}, c.text, c.number ? kNumberFace : kTableFace, c.align};
        if (c.isLabel) {
            lastLabel = c.text;
            // A label printed on two lines is named on one.
            for (std::size_t at; (at = lastLabel.find_first_of("\r\n")) != std::string::npos;) lastLabel.erase(at, 1);
            if (headingRow) heading_.push_back({x, x + w, lastLabel});
            labels.push_back(std::move(item));
        } else {
            item.field = c.field.empty() ? lastLabel : c.field;
            // A record row of a table: its values are named by the heading above their column.
            if (item.field.empty() && !anyLabel)
                for (const Column& col : heading_)
                    if (col.left == x && col.right == x + w) item.field = col.label;
            values.push_back(std::move(item));
        }
        x += w;
        if (i + 1 < cells.size()) page_.vline(x, rowTop, rowBottom);
    }
    for (const FitItem& l : labels) page_.fitted(l);
    page_.fittedGroup(values);
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
    sideLabels_.push_back({{left_, fromY, left_ + width, bottom_}, std::string(gbk), kTableFace, Align::Centre});
}

void Grid::close() {
    page_.fittedGroup(sideLabels_);
    sideLabels_.clear();
    page_.box({left_, top_, right(), bottom_}, kFramePen);
}

}  // namespace tubra::report
