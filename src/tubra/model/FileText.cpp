#include "tubra/model/FileText.h"

#include "text/Gbk.h"

namespace tubra::model {

namespace {

constexpr bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }
constexpr bool codesBreak(unsigned char c) { return c == 0xFD || c == 0xFE; }

const std::string_view kBraceSubstitute = "]";
const std::string_view kSubstitute(&kUncarriedSubstitute, 1);

}  // namespace

std::size_t gbkCharacterLength(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && text::isGbkLeadByte(static_cast<unsigned char>(s[i])) &&
        isTrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

std::string_view carriedCharacter(TextPlace place, std::string_view c) {
    if (c.size() == 2) {
        if (c[1] == '}') return kSubstitute;
        if (place == TextPlace::Record &&
            (codesBreak(static_cast<unsigned char>(c[0])) || codesBreak(static_cast<unsigned char>(c[1]))))
            return kSubstitute;
        return c;
    }
    if (c.size() != 1) return c;
    const unsigned char b = static_cast<unsigned char>(c[0]);
    if (b == '}') return kBraceSubstitute;
    // A lead byte alone would pair with whatever the writer puts after it.
    if (text::isGbkLeadByte(b)) return kSubstitute;
    return c;
}

std::string carriedText(TextPlace place, std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = gbkCharacterLength(s, i);
        out.append(carriedCharacter(place, s.substr(i, n)));
        i += n;
    }
    return out;
}

}  // namespace tubra::model
