#pragma once
// Builds request bodies the way browsers and curl do.

#include <string>
#include <string_view>

namespace kavelup::test {

class MultipartBody {
public:
    explicit MultipartBody(std::string boundary = "----KavelTestBoundary7MA4YWxkTrZu0gW")
        : boundary_(std::move(boundary)) {}

    MultipartBody& field(std::string_view name, std::string_view value) {
        body_ += "--" + boundary_ + "\r\nContent-Disposition: form-data; name=\"" +
                 std::string(name) + "\"\r\n\r\n" + std::string(value) + "\r\n";
        return *this;
    }
    MultipartBody& file(std::string_view name, std::string_view fileName, std::string_view content,
                        std::string_view type = "application/octet-stream") {
        body_ += "--" + boundary_ + "\r\nContent-Disposition: form-data; name=\"" +
                 std::string(name) + "\"; filename=\"" + std::string(fileName) +
                 "\"\r\nContent-Type: " + std::string(type) + "\r\n\r\n" + std::string(content) +
                 "\r\n";
        return *this;
    }
    std::string str() const { return body_ + "--" + boundary_ + "--\r\n"; }
    std::string contentType() const { return "multipart/form-data; boundary=" + boundary_; }

private:
    std::string boundary_;
    std::string body_;
};

}  // namespace kavelup::test
