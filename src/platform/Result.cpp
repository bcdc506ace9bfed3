#include "platform/Result.h"

#include "platform/SystemError.h"

namespace platform {

std::string Error::message() const {
    if (message_.empty() && code_) return systemErrorText(code_);
    return message_;
}

}  // namespace platform
