#pragma once
// The characters a text of the drawing file cannot carry. Every text lands on a line of the
// file, where '}' anywhere ends the section; the weld records code their line breaks as the
// bytes 0xFD (CR) and 0xFE (LF), so a two-byte character holding either byte would come back
// as a line break. What cannot be carried is replaced before it is stored, and the dialogs say
// which characters they replaced: '}' by ']', a two-byte character by '?' (a lead byte without
// its second byte too). The report texts (tubra/report/data/ReportText.h) follow the same rule.

#include <string>
#include <string_view>

namespace tubra::model {

// Where a text lands in the file.
enum class TextPlace {
    Line,    // a value on a line (labels, materials, sizes, dates, report texts)
    Record,  // a weld record (竣工时探伤记录, 最后探伤情况, 返修记录)
};

inline constexpr char kUncarriedSubstitute = '?';

// The length in bytes of the character that begins at `i` of `gbk`: 2 for a lead byte followed
// by a valid second byte, else 1.
std::size_t gbkCharacterLength(std::string_view gbk, std::size_t i);

// What the file carries for the one GBK character `c` (one or two bytes) at `place`: the
// character itself, or its substitute.
std::string_view carriedCharacter(TextPlace place, std::string_view c);

// `gbk` with every character the file cannot carry at `place` replaced.
std::string carriedText(TextPlace place, std::string_view gbk);

}  // namespace tubra::model
