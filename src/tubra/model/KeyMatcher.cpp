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
        if (k.find_first_of(" \t") != std::string_view::npos)
            throw std::logic_error("KeyMatcher keys hold no blanks");
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
    holdsEarlierKey_.assign(keys_.size(), 0);
    startsWithEarlierKey_.assign(keys_.size(), 0);
    words_.assign(keys_.size(), {});
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::string_view k = keys_[i];
        for (const char c : k) inSomeKey_[static_cast<unsigned char>(c)] = true;
        for (std::size_t j = 0; j < i; ++j) {
            if (k.find(keys_[j], 1) != std::string_view::npos) holdsEarlierKey_[i] = 1;
            if (k.starts_with(keys_[j])) startsWithEarlierKey_[i] = 1;
        }
        Words& w = words_[i];
        if (k.size() <= 16) {
            const std::size_t head = std::min<std::size_t>(k.size(), 8);
            std::memcpy(&w.head, k.data(), head);
            w.headMask = head == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * head)) - 1;
            if (k.size() > 8) std::memcpy(&w.tail, k.data() + k.size() - 8, 8);
            w.usable = true;
        }
    }
}

[[gnu::always_inline]] inline bool KeyMatcher::matchesAt(const unsigned char* at, std::size_t left, int key) const {
    const std::string_view k = keys_[static_cast<std::size_t>(key)];
    if (k.size() > left) return false;
    const Words& w = words_[static_cast<std::size_t>(key)];
    if (!w.usable || left < 8) return sameBytes(at, k);
    std::uint64_t x;
    std::memcpy(&x, at, 8);
    if ((x & w.headMask) != w.head) return false;
    if (k.size() <= 8) return true;
    std::memcpy(&x, at + k.size() - 8, 8);
    return x == w.tail;
}

int KeyMatcher::leadingKey(std::string_view line, std::size_t& keyEnd, int expected) const {
    if (expected >= 0 && expected < size()) {
        if (const std::size_t end = leadingKeyEnd(line, expected)) {
            keyEnd = end;
            return expected;
        }
    }
    std::size_t p = 0;
    while (p < line.size() && (line[p] == '\t' || line[p] == ' ')) ++p;
    if (p >= line.size()) return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    for (const std::uint8_t k : byFirst_[bytes[p]]) {
        if (matchesAt(bytes + p, line.size() - p, k)) {
            const std::size_t end = leadingKeyEnd(line, k);
            if (end == 0) return -1;
            keyEnd = end;
            return k;
        }
    }
    return -1;
}

std::size_t KeyMatcher::leadingKeyEnd(std::string_view text, int key) const {
    const auto k = static_cast<std::size_t>(key);
    // Of the keys that match at one place the earliest decides; two keys match at one place
    // only when one begins the other, so an earlier key that begins this one would win.
    if (holdsEarlierKey_[k] || startsWithEarlierKey_[k]) return 0;
    std::size_t p = 0;
    while (p < text.size() && (text[p] == '\t' || text[p] == ' ')) ++p;
    // No key holds a blank, so none starts before p.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (p >= text.size() || !matchesAt(bytes + p, text.size() - p, key)) return 0;
    const std::size_t end = p + keys_[k].size();
    if (end < text.size() && inSomeKey_[bytes[end]]) return 0;
    return end;
}

int KeyMatcher::find(std::string_view line) const {
    return scan(reinterpret_cast<const unsigned char*>(line.data()), line.size(), size());
}

int KeyMatcher::findBefore(std::string_view text, int bound) const {
    if (bound <= 0) return -1;
    return scan(reinterpret_cast<const unsigned char*>(text.data()), text.size(), bound);
}

int KeyMatcher::scan(const unsigned char* bytes, std::size_t n, int bound) const {
    // Plain locals so that the scan stays in registers.
    const std::uint64_t* pairs = startPairs_.data();
    int best = bound;
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
            if (k >= best) break;
            if (matchesAt(bytes + pos, n - pos, k)) {
                best = k;
                if (best == 0) return 0;
                step = skipAfter_[k];
                break;
            }
        }
        pos += step;
    }
    return best < bound ? best : -1;
}

}  // namespace tubra::model
