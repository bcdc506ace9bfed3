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

namespace platform::qt {

// The character a look-alike's glyph stands for in our texts, or 0 for other code points.
char16_t ideographForRadical(char16_t radical);

// Rewrites the ToUnicode maps of a PDF in place. Returns the number of entries changed.
std::size_t repairPdfText(std::string& pdf);

}  // namespace platform::qt
