#pragma once
// Makes the text of PDFs written by Qt read back as the characters that were drawn.
//
// A PDF names the character behind every glyph in the font's ToUnicode map; Qt writes, for a
// glyph shared by several characters, the one with the lowest code. CJK fonts share the glyphs
// of many common ideographs with the Kangxi radicals (U+2F00..U+2FDF) and the radical
// supplement (U+2E80..U+2EFF), and "～" with the wave dash, so "使用" would be found as "使⽤"
// by a viewer's search or by pdftotext. None of those look-alikes exists in GBK, which all our
// texts are, so the repair rewrites such entries to the GBK character in place (same length, so
// the file's cross-reference offsets stay valid).

#include <cstddef>
#include <string>

#include "platform/Clock.h"

namespace platform::qt {

// The character a look-alike's glyph stands for in our texts, or 0 for other code points.
char16_t ideographForRadical(char16_t radical);

// Rewrites the ToUnicode maps of a PDF in place. Returns the number of entries changed.
std::size_t repairPdfText(std::string& pdf);

// Rewrites the document's creation date (Qt takes it from the system clock) with `t`, in place
// and at the same length. Returns whether the date was found.
bool stampPdfDate(std::string& pdf, const CalendarTime& t);

// What every PDF the programs write goes through before it is saved: the text repaired and the
// date taken from the programs' one clock. Returns whether anything changed.
bool finishPdf(std::string& pdf);

}  // namespace platform::qt
