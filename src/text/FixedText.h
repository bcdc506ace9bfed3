#pragma once
// Fixed-capacity GBK byte strings: the text fields of drawings and reports.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "text/Gbk.h"

namespace text {

// N bytes of storage, NUL-terminated: at most N - 1 bytes of text. Longer input is cut without
// splitting a two-byte character.
template <std::size_t N>
class FixedText {
    static_assert(N >= 1);

public:
    static constexpr std::size_t kStorage = N;
    static constexpr std::size_t kMaxBytes = N - 1;

    FixedText() = default;
    FixedText(std::string_view s) { assign(s); }  // NOLINT(google-explicit-constructor)
    FixedText(const char* s) { assign(s); }       // NOLINT(google-explicit-constructor)

    FixedText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    FixedText& operator=(const char* s) {
        assign(s);
        return *this;
    }

    // Stores `s`, cut at its first NUL and to the capacity. Returns whether it was cut.
    bool assign(std::string_view s) {
        const auto nul = s.find('\0');
        if (nul != std::string_view::npos) s = s.substr(0, nul);
        const std::size_t n = gbkCutLength(s, kMaxBytes);
        std::memmove(buf_, s.data(), n);
        std::memset(buf_ + n, 0, N - n);
        return n < s.size();
    }

    void clear() { std::memset(buf_, 0, N); }

    std::string_view view() const { return std::string_view(buf_, size()); }
    std::string str() const { return std::string(view()); }
    const char* c_str() const { return buf_; }
    std::size_t size() const { return ::strnlen(buf_, N); }
    bool empty() const { return buf_[0] == '\0'; }
    operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }
    friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const FixedText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const FixedText& a, const char* b) { return a.view() == std::string_view(b); }

private:
    char buf_[N] = {};
};

// The same text to its users as FixedText<N> (at most N - 1 bytes, cut alike), holding only
// what the text takes: a short one in the value itself, a longer one on the heap. For records
// kept by the ten thousand whose texts are mostly short or empty, where N bytes each would be
// most of the memory a drawing takes.
template <std::size_t N>
class CompactText {
    static_assert(N >= 1);

public:
    static constexpr std::size_t kStorage = N;
    static constexpr std::size_t kMaxBytes = N - 1;

    CompactText() = default;
    CompactText(std::string_view s) { assign(s); }  // NOLINT(google-explicit-constructor)
    CompactText(const char* s) { assign(s); }       // NOLINT(google-explicit-constructor)

    CompactText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    CompactText& operator=(const char* s) {
        assign(s);
        return *this;
    }

    // Stores `s`, cut at its first NUL and to the capacity. Returns whether it was cut.
    bool assign(std::string_view s) {
        const auto nul = s.find('\0');
        if (nul != std::string_view::npos) s = s.substr(0, nul);
        const std::size_t n = gbkCutLength(s, kMaxBytes);
        text_.assign(s.data(), n);
        return n < s.size();
    }

    void clear() { text_.clear(); }

    std::string_view view() const { return text_; }
    std::string str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)

    friend bool operator==(const CompactText& a, const CompactText& b) { return a.text_ == b.text_; }
    friend bool operator==(const CompactText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const CompactText& a, const std::string& b) { return a.text_ == b; }
    friend bool operator==(const CompactText& a, const char* b) { return a.view() == std::string_view(b); }

private:
    std::string text_;
};

}  // namespace text
