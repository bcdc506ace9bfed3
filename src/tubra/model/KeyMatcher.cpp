#include "tubra/model/KeyMatcher.h"

#include <cstring>
#include <stdexcept>

namespace tubra::model {

KeyMatcher::KeyMatcher(std::initializer_list<std::string_view> keys) : keys_(keys) {
    if (keys_.size() > 255) throw std::logic_error("KeyMatcher holds at most 255 keys");
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].empty()) throw std::logic_error("KeyMatcher keys must not be empty");
        byFirst_[static_cast<unsigned char>(keys_[i][0])].push_back(static_cast<std::uint8_t>(i));
    }
}

int KeyMatcher::find(std::string_view line) const {
    int best = -1;
    const std::size_t n = line.size();
    for (std::size_t pos = 0; pos < n; ++pos) {
        const auto& candidates = byFirst_[static_cast<unsigned char>(line[pos])];
        for (std::uint8_t k : candidates) {
            if (best >= 0 && k >= best) break;
            const std::string_view key = keys_[k];
            if (key.size() <= n - pos && std::memcmp(line.data() + pos, key.data(), key.size()) == 0) {
                best = k;
                if (best == 0) return 0;
                break;
            }
        }
    }
    return best;
}

}  // namespace tubra::model
