#include "tubra/edit/BoundForm.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::edit::fields {

std::size_t gbkLength(std::string_view utf8) { return text::utf8ToGbk(utf8).size(); }

double atofText(std::string_view utf8) { return text::leadingNumber(utf8); }

int atoiText(std::string_view utf8) {
    const std::string s(utf8.substr(0, utf8.find('\0')));
    errno = 0;
    const long long n = std::strtoll(s.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

std::string formatNumber(std::string_view format, double value) { return text::format(format, value); }

std::string formatInt(std::string_view format, int value) { return text::format(format, value); }

}  // namespace tubra::edit::fields
