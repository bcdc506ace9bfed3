#pragma once
// Texts of the inspection report. Every report text lands on a line of the drawing file, and
// some of them share a line with other fields, so each text kind keeps out the characters its
// place in the file cannot hold. A text changes through its setter, which replaces those
// characters and cuts to the capacity; whatever is stored can be written and read back
// unchanged. The file readers use setAsRead instead, which keeps the bytes the file held (they
// came from a line of the same form, so they can be written back as they were): opening and
// saving a drawing never changes its report texts.
//
// Substitutes (shared with the editors):
//   every text            what no line of the drawing file can carry, as every text of the
//                         drawing (tubra/model/FileText.h): '}' -> ']', a two-byte character
//                         whose second byte is '}' -> '?', a lead byte without a valid second
//                         byte -> '?'
//   single-line text      CR, LF -> blank
//   token text            blank (any white space) -> '_', '@' -> '#'
//   several-line text     lone CR or LF -> CR LF; a grave accent right after '@' -> '\''
//                         (the file codes CR LF as "@`")

#include <cstddef>
#include <string>
#include <string_view>

#include "text/FixedText.h"
#include "tubra/model/FileText.h"

namespace tubra::report {

enum class TextKind {
    Line,   // a line of its own
    Token,  // a blank-separated word followed by '@' (HuiZong items, list items)
    Note,   // several lines, stored on one line with CR LF coded as "@`"
};

inline constexpr char kTokenBlankSubstitute = '_';
inline constexpr char kTokenAtSubstitute = '#';
inline constexpr char kNoteGraveSubstitute = '\'';
inline constexpr char kBadCharacterSubstitute = model::kUncarriedSubstitute;

// `s` (cut at its first NUL) with the characters of `kind` replaced and cut to at most
// `maxBytes` bytes without splitting a two-byte character or a CR LF pair.
std::string sanitizeReportText(TextKind kind, std::string_view s, std::size_t maxBytes);

// `s` as a reader keeps it: cut at its first NUL and to at most `maxBytes` bytes without
// splitting a two-byte character or a CR LF pair, and without trailing CRs of a line or note
// (the line end would swallow them). Nothing else changes.
std::string keepReadText(TextKind kind, std::string_view s, std::size_t maxBytes);

// Several-line text to its one-line form and back: CR LF <-> "@`".
std::string encodeNote(std::string_view note);
std::string decodeNote(std::string_view line);

// A token as written in an '@' position, without its last character (the '@').
std::string_view dropLastCharacter(std::string_view token);

// A report text of N bytes of storage (at most N - 1 bytes of text).
template <std::size_t N, TextKind Kind>
class ReportText {
public:
    static constexpr std::size_t kStorage = N;
    static constexpr std::size_t kMaxBytes = N - 1;
    static constexpr TextKind kKind = Kind;

    ReportText() = default;
    ReportText(std::string_view s) { set(s); }  // NOLINT(google-explicit-constructor)
    ReportText(const char* s) { set(s); }       // NOLINT(google-explicit-constructor)
    ReportText(const std::string& s) { set(s); }  // NOLINT(google-explicit-constructor)
    ReportText& operator=(std::string_view s) {
        set(s);
        return *this;
    }
    ReportText& operator=(const char* s) {
        set(s);
        return *this;
    }
    ReportText& operator=(const std::string& s) {
        set(s);
        return *this;
    }

    void set(std::string_view s) { text_.assign(sanitizeReportText(Kind, s, kMaxBytes)); }
    // The text as a drawing file held it (see above).
    void setAsRead(std::string_view s) { text_.assign(keepReadText(Kind, s, kMaxBytes)); }
    void clear() { text_.clear(); }

    std::string_view view() const { return text_.view(); }
    std::string str() const { return text_.str(); }
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)

    friend bool operator==(const ReportText& a, const ReportText& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const ReportText& a, std::string_view b) { return a.view() == b; }

private:
    text::FixedText<N> text_;
};

template <std::size_t N>
using LineText = ReportText<N, TextKind::Line>;
template <std::size_t N>
using TokenText = ReportText<N, TextKind::Token>;
template <std::size_t N>
using NoteText = ReportText<N, TextKind::Note>;

}  // namespace tubra::report
