#pragma once
// System errors in the words of the program's users: the operating system's own texts are
// English, so the common ones are said in Chinese here. Texts are UTF-8.

#include <string>
#include <system_error>

namespace platform {

// The Chinese text of an errno value; for one the table does not know, "系统错误" with its
// number.
std::string systemErrorText(int errnum);

// The text of an error code: system and generic errors in Chinese, others as their category
// says them.
std::string systemErrorText(const std::error_code& ec);

}  // namespace platform
