#include "tubra/model/KeyMatcher.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tubra::model {

namespace {

std::size_t pairIndex(unsigned char a, unsigned char b) { return (std::size_t(a) << 8) | b; }

// Keys are short: a plain loop beats a call to memcmp.
bool sameBytes(const unsigned char* a, std::string_view key) {
    for (std::size_t i = 0; i < key.size(); ++i)
        if (a[i] != static_cast<unsigned char>(key[i])) return false;
    return true;
}

}  // namespace

KeyMatcher::KeyMatcher(std::initializer_list<std::string_view> keys)
    : keys_(keys), startPairs_(65536 / 64, 0) {
    if (keys_.size() > 255) throw std::logic_error("KeyMatcher holds at most 255 keys");
    auto setPair = [&](std::size_t i) { startPairs_[i / 64] |= std::uint64_t(1) << (i % 64); };
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::string_view k = keys_[i];
        if (k.empty()) throw std::logic_error("KeyMatcher keys must not be empty");
        const auto first = static_cast<unsigned char>(k[0]);
        if (first == 0 || first >= 0x80) throw std::logic_error("KeyMatcher keys start with ASCII");
        minFirst_ = std::min(minFirst_, first);
        byFirst_[first].push_back(static_cast<std::uint8_t>(i));
        if (k.size() == 1) {
            for (unsigned b = 0; b < 256; ++b) setPair(pairIndex(first, static_cast<unsigned char>(b)));
        } else {
            setPair(pairIndex(first, static_cast<unsigned char>(k[1])));
        }
    }
    // After a match the scan may jump over the matched key unless some key could start
    // inside it ("ZhuXianLayer" inside "FuZhuXianLayer").
    skipAfter_.assign(keys_.size(), 1);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::string_view a = keys_[i];
        bool inside = false;
        for (std::size_t off = 1; off < a.size() && !inside; ++off)
            for (const std::string_view b : keys_) {
                const std::size_t common = std::min(b.size(), a.size() - off);
                if (a.compare(off, common, b, 0, common) == 0) {
                    inside = true;
                    break;
                }
            }
        skipAfter_[i] = inside ? 1 : a.size();
    }
}

int KeyMatcher::find(std::string_view line) const {
    // Plain locals so that the scan stays in registers.
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t n = line.size();
    const std::uint64_t* pairs = startPairs_.data();
    int best = -1;
    const unsigned char low = minFirst_;
    // Per byte of a word: bit 7 set when the byte is in [low, 0x7F], i.e. may start a key.
    const std::uint64_t add = 0x0101010101010101ULL * static_cast<std::uint64_t>(0x80 - low);
    std::size_t pos = 0;
    while (pos < n) {
        // Eight bytes at a time over runs in which no byte can start a key (numbers, blanks,
        // two-byte characters), straight to the first byte that can.
        while (pos + 8 <= n) {
            std::uint64_t x;
            std::memcpy(&x, bytes + pos, 8);
            const std::uint64_t may = (((x & 0x7F7F7F7F7F7F7F7FULL) + add) & ~x) & 0x8080808080808080ULL;
            if (may) {
                pos += static_cast<std::size_t>(__builtin_ctzll(may)) / 8;
                break;
            }
            pos += 8;
        }
        if (pos >= n) break;
        const unsigned char a = bytes[pos];
        if (a < low || a >= 0x80) {
            ++pos;
            continue;
        }
        if (pos + 1 < n) {
            const std::size_t pair = pairIndex(a, bytes[pos + 1]);
            if (!((pairs[pair >> 6] >> (pair & 63)) & 1)) {
                ++pos;
                continue;
            }
        }
        std::size_t step = 1;
        for (std::uint8_t k : byFirst_[a]) {
            if (best >= 0 && k >= best) break;
            const std::string_view key = keys_[k];
            if (key.size() <= n - pos && sameBytes(bytes + pos, key)) {
                best = k;
                if (best == 0) return 0;
                step = skipAfter_[k];
                break;
            }
        }
        pos += step;
    }
    return best;
}

}  // namespace tubra::model
