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
};

}  // namespace tubra::model
