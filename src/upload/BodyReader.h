#pragma once
// Read access to a request body, as the parser needs it: its size and a range of its bytes at a
// time. A body in memory hands out views of itself; a body kept in a file copies each range
// into a scratch buffer, so reading all of it needs no more memory than one range.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavelup {

class BodyReader {
public:
    virtual ~BodyReader() = default;
    virtual std::uint64_t size() const = 0;
    // body[offset, offset + length), cut at the end of the body: a view into the body itself or
    // into `scratch`, valid until `scratch` changes. Shorter than asked when reading failed,
    // which failed() then tells.
    virtual std::string_view bytes(std::uint64_t offset, std::size_t length,
                                   std::string& scratch) const = 0;
    virtual bool failed() const { return false; }
};

// A body held in memory by someone else.
class BodyInMemory : public BodyReader {
public:
    explicit BodyInMemory(std::string_view body) : body_(body) {}
    std::uint64_t size() const override { return body_.size(); }
    std::string_view bytes(std::uint64_t offset, std::size_t length, std::string&) const override {
        if (offset >= body_.size()) return {};
        return body_.substr(static_cast<std::size_t>(offset), length);
    }

private:
    std::string_view body_;
};

}  // namespace kavelup
