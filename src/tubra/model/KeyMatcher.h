#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace tubra::model {

// Finds which of an ordered list of keys a line holds: the first key of the list that occurs
// anywhere in the line wins. One pass over the line instead of one search per key.
class KeyMatcher {
public:
    KeyMatcher(std::initializer_list<std::string_view> keys);

    // Index of the first key in list order that occurs in `line`, or -1.
    int find(std::string_view line) const;

    // The same for the keys before `bound` only: -1 when none of them occurs in `text`.
    int findBefore(std::string_view text, int bound) const;

    // For lines that start with their key, the usual case, without scanning the key's bytes:
    // when `line` is white space, then key k, then the end or a byte that no key holds, and no
    // key before k lies inside key k, returns k and sets `keyEnd` to the end of the key. Then
    // find(line) is k unless a key before k starts at or after `keyEnd` (see findBefore).
    // Otherwise returns -1. `expected` (when it is a key's index) is the key tried first: the
    // one a reader expects after the previous line.
    int leadingKey(std::string_view line, std::size_t& keyEnd, int expected = -1) const;
    // The end of key `key` when leadingKey(text) would give that key (text may run on past the
    // end of the line), else 0.
    std::size_t leadingKeyEnd(std::string_view text, int key) const;

    // Whether `c` can be the first byte of a key.
    bool mayStartKey(char c) const { return !byFirst_[static_cast<unsigned char>(c)].empty(); }

    std::string_view key(int index) const { return keys_[static_cast<std::size_t>(index)]; }
    int size() const { return static_cast<int>(keys_.size()); }

private:
    std::vector<std::string_view> keys_;
    // Key indices by first byte, each list in ascending order.
    std::array<std::vector<std::uint8_t>, 256> byFirst_;
    // One bit per pair of bytes that starts a key (a key of one byte sets all pairs it starts):
    // most positions of a line are ruled out by one lookup.
    std::vector<std::uint64_t> startPairs_;
    // How far the scan may move on after matching each key.
    std::vector<std::size_t> skipAfter_;
    // The smallest first byte of a key; bytes below it cannot start one.
    unsigned char minFirst_ = 0x7F;
    // Per byte: whether some key holds it.
    std::array<bool, 256> inSomeKey_{};
    // Per key: whether a key before it in the list lies inside it (after its first byte), and
    // whether one is its beginning.
    std::vector<std::uint8_t> holdsEarlierKey_;
    std::vector<std::uint8_t> startsWithEarlierKey_;
    // Per key of at most 16 bytes: its first and last eight bytes as words, for comparing a
    // key in one or two steps where at least eight bytes of the line are left.
    struct Words {
        std::uint64_t head = 0, headMask = 0, tail = 0;
        bool usable = false;
    };
    std::vector<Words> words_;

    bool matchesAt(const unsigned char* at, std::size_t left, int key) const;
    int scan(const unsigned char* bytes, std::size_t n, int bound) const;
};

}  // namespace tubra::model
