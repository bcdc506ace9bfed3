#include "tubra/report/data/ReportText.h"

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/FileText.h"

namespace tubra::report {

std::string sanitizeReportText(TextKind kind, std::string_view s, std::size_t maxBytes) {
    if (const auto nul = s.find('\0'); nul != std::string_view::npos) s = s.substr(0, nul);
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        // Checked per character, so that a second byte is never mistaken for ASCII; what no line
        // of the file can carry is replaced as in every other text of the drawing.
        if (text::isGbkLeadByte(static_cast<unsigned char>(s[i]))) {
            const std::size_t n = model::gbkCharacterLength(s, i);
            out.append(model::carriedCharacter(model::TextPlace::Line, s.substr(i, n)));
            i += n - 1;
            continue;
        }
        char ch = s[i];
        if (ch == '}') ch = model::kClosingBraceSubstitute;
        switch (kind) {
            case TextKind::Line:
                if (ch == '\r' || ch == '\n') ch = ' ';
                out.push_back(ch);
                break;
            case TextKind::Token:
                if (text::isCSpace(ch)) ch = kTokenBlankSubstitute;
                else if (ch == '@') ch = kTokenAtSubstitute;
                out.push_back(ch);
                break;
            case TextKind::Note:
                if (ch == '\r' || ch == '\n') {
                    out.append("\r\n");
                    if (ch == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
                } else {
                    if (ch == '`' && !out.empty() && out.back() == '@') ch = kNoteGraveSubstitute;
                    out.push_back(ch);
                }
                break;
        }
    }
    std::size_t n = text::gbkCutLength(out, maxBytes);
    // Never keep the CR of a pair that the cut separated.
    if (kind == TextKind::Note && n > 0 && out[n - 1] == '\r') --n;
    out.resize(n);
    return out;
}

std::string keepReadText(TextKind kind, std::string_view s, std::size_t maxBytes) {
    if (const auto nul = s.find('\0'); nul != std::string_view::npos) s = s.substr(0, nul);
    std::size_t n = text::gbkCutLength(s, maxBytes);
    if (kind == TextKind::Note && n > 0 && n < s.size() && s[n - 1] == '\r' && s[n] == '\n') --n;
    if (kind != TextKind::Token)
        while (n > 0 && s[n - 1] == '\r') --n;
    return std::string(s.substr(0, n));
}

std::string encodeNote(std::string_view note) {
    std::string out;
    out.reserve(note.size());
    for (std::size_t i = 0; i < note.size(); ++i) {
        if (note[i] == '\r' && i + 1 < note.size() && note[i + 1] == '\n') {
            out.append("@`");
            ++i;
        } else {
            out.push_back(note[i]);
        }
    }
    return out;
}

std::string decodeNote(std::string_view line) {
    std::string out;
    out.reserve(line.size() + 8);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '@' && i + 1 < line.size() && line[i + 1] == '`') {
            out.append("\r\n");
            ++i;
        } else {
            out.push_back(line[i]);
        }
    }
    return out;
}

std::string_view dropLastCharacter(std::string_view token) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < token.size();) {
        last = i;
        i += (text::isGbkLeadByte(static_cast<unsigned char>(token[i])) && i + 1 < token.size())
                 ? 2
                 : 1;
    }
    return token.substr(0, last);
}

}  // namespace tubra::report
