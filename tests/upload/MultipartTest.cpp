// The parser on its own: where parts begin and end, what their headers give, and the delimiter
// search it rests on.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "upload/Multipart.h"
#include "upload/MultipartBody.h"

using namespace kavelup;
using kavelup::test::MultipartBody;

namespace {

const std::string kBoundary = "----KavelTestBoundary7MA4YWxkTrZu0gW";

std::string contentOf(std::string_view body, const ParsedPart& p) {
    return std::string(body.substr(p.offset, p.size));
}

// A body reader that hands out its bytes through the scratch buffer, a few at a time if asked,
// as a file would be read.
class ScratchReader : public BodyReader {
public:
    explicit ScratchReader(std::string_view body) : body_(body) {}
    std::uint64_t size() const override { return body_.size(); }
    std::string_view bytes(std::uint64_t offset, std::size_t length,
                           std::string& scratch) const override {
        if (offset >= body_.size()) return {};
        scratch.assign(body_.substr(offset, length));
        return scratch;
    }

private:
    std::string_view body_;
};

TEST(MultipartBoundaryTextInData, OnlyALineOfItsOwnEndsAPart) {
    // The boundary's text without CR LF before it, or with more text after it on its line, is
    // data; so are "--" and CR LF of every kind.
    const std::vector<std::string> contents = {
        "before--" + kBoundary + "after",
        "before\r\n--" + kBoundary + "after\r\nmore",
        "\r\n--" + kBoundary.substr(0, kBoundary.size() - 1) + "\r\n",
        "x--" + kBoundary + "--",
        "x\r\n--" + kBoundary + "-\r\n",
        "\r\n\r\n\r\n\r\n--\r\n--",
        std::string(1000, '-'),
    };
    for (const std::string& content : contents) {
        const std::string body =
            MultipartBody().file("f", "a.bin", content).field("after", "v").str();
        for (const bool viaScratch : {false, true}) {
            const ParseResult r = viaScratch ? parseMultipart(ScratchReader(body), CodePage::Gbk)
                                             : parseMultipart(body, CodePage::Gbk);
            ASSERT_TRUE(r.failures.empty()) << content;
            ASSERT_EQ(r.parts.size(), 2u) << content;
            EXPECT_EQ(contentOf(body, r.parts[0]), content);
            EXPECT_EQ(contentOf(body, r.parts[1]), "v");
        }
    }
    // Blanks after a delimiter before its CR LF are allowed; a body that stops right after the
    // last delimiter, without its "--", ends there.
    const std::string padded = "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--b \t\r\n"
                               "Content-Disposition: form-data; name=\"c\"\r\n\r\n2\r\n--b";
    const ParseResult r = parseMultipart(padded, CodePage::Gbk);
    ASSERT_TRUE(r.failures.empty());
    ASSERT_EQ(r.parts.size(), 2u);
    EXPECT_EQ(contentOf(padded, r.parts[0]), "1");
    EXPECT_EQ(contentOf(padded, r.parts[1]), "2");
}

TEST(MultipartBoundaryTextInData, DelimitersAcrossReadWindows) {
    // Large content read window by window: a delimiter, or text one byte short of one, at every
    // position around the window edges is found or passed over exactly.
    const std::size_t window = 256 * 1024;
    const std::string delimiter = "\r\n--" + kBoundary;
    const std::string head =
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a\"\r\n\r\n";
    const std::string body = head + std::string(2 * window, 'd') + delimiter + "--\r\n";
    const std::string almost = delimiter.substr(0, delimiter.size() - 1) + "!";
    for (std::size_t at = window - delimiter.size() - 3; at < window + 4; ++at) {
        std::string near = body;
        near.replace(at, almost.size(), almost);
        const ParseResult n = parseMultipart(ScratchReader(near), CodePage::Gbk);
        ASSERT_EQ(n.parts.size(), 1u) << at;
        EXPECT_TRUE(n.failures.empty()) << at;
        EXPECT_EQ(n.parts[0].size, 2 * window) << at;

        // A real one ends the part there.
        std::string cut = body;
        cut.replace(at, delimiter.size() + 4, delimiter + "--\r\n");
        const ParseResult c = parseMultipart(ScratchReader(cut), CodePage::Gbk);
        ASSERT_EQ(c.parts.size(), 1u) << at;
        EXPECT_TRUE(c.failures.empty()) << at;
        EXPECT_EQ(c.parts[0].size, at - head.size()) << at;
    }
}

TEST(MultipartBoundaryTextInData, FindDelimiterAgreesWithAPlainSearch) {
    // Random text over a small alphabet, so near misses are everywhere, with delimiters planted
    // at every alignment of the vector loop and at the very end.
    std::mt19937 rng(11);
    const std::string delimiter = "\r\n--xy";
    for (int round = 0; round < 300; ++round) {
        std::string hay(40 + rng() % 200, ' ');
        for (char& c : hay) c = "\r\n-xy"[rng() % 5];
        if (round % 3 == 0) hay.replace(rng() % (hay.size() - delimiter.size()), delimiter.size(), delimiter);
        if (round % 7 == 0) hay.replace(hay.size() - delimiter.size(), delimiter.size(), delimiter);
        for (std::size_t from = 0; from < hay.size(); from += 1 + rng() % 5)
            EXPECT_EQ(findDelimiter(hay, delimiter, from), hay.find(delimiter, from))
                << round << " " << from;
    }
    EXPECT_EQ(findDelimiter("ab", "abc"), std::string_view::npos);
    EXPECT_EQ(findDelimiter("abc", "abc", 1), std::string_view::npos);
    EXPECT_EQ(findDelimiter("abc", "bc", 1), 1u);
}

TEST(MultipartPartHeaders, DataStartsAfterTheEmptyLine) {
    // curl -F 'a={};type=application/json' and scripts posting Blobs send a Content-Type with a
    // plain field; some send an empty one, or more headers before the disposition.
    const std::string body =
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"a\"\r\n"
        "Content-Type: application/json\r\n\r\n{}\r\n"
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"b\"\r\nContent-Type: \r\n\r\n"
        "some random content\r\n"
        "--" + kBoundary + "\r\nContent-Type: text/plain; charset=utf-8\r\nX-Other: 1\r\n"
        "Content-Disposition: form-data; name=\"c\"; filename=\"c.txt\"\r\n\r\n\r\nline\r\n\r\n"
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"d\"\r\n\r\n\r\n"
        "--" + kBoundary + "--\r\nepilogue; name=\"x\"\r\n";
    const ParseResult r = parseMultipart(body, CodePage::Gbk);
    EXPECT_TRUE(r.failures.empty());
    ASSERT_EQ(r.parts.size(), 4u);
    EXPECT_EQ(contentOf(body, r.parts[0]), "{}");
    EXPECT_EQ(contentOf(body, r.parts[1]), "some random content");
    EXPECT_EQ(r.parts[2].name, "c");
    EXPECT_TRUE(r.parts[2].isFile);
    EXPECT_EQ(r.parts[2].fileName, "c.txt");
    EXPECT_EQ(contentOf(body, r.parts[2]), "\r\nline\r\n");
    EXPECT_EQ(r.parts[3].size, 0u);
}

TEST(MultipartPartHeaders, MalformedPartsAreReportedAndTheOthersRead) {
    const std::string body =
        "--b\r\nContent-Disposition: form-data; name=\"ok1\"\r\n\r\n1\r\n"
        "--b\r\nContent-Disposition: form-data; name=\"noblank\"\r\nvalue\r\n"  // no empty line
        "--b\r\n\r\nheaders empty\r\n"                                          // no name
        "--b\r\nContent-Disposition: form-data; name=\"f\"; filename=x\r\n\r\n2\r\n"
        "--b\r\nContent-Disposition: form-data; name=\"ok2\"\r\n\r\n3\r\n--b--\r\n";
    const ParseResult r = parseMultipart(body, CodePage::Gbk);
    ASSERT_EQ(r.parts.size(), 2u);
    EXPECT_EQ(r.parts[0].name, "ok1");
    EXPECT_EQ(r.parts[1].name, "ok2");
    EXPECT_EQ(contentOf(body, r.parts[1]), "3");
    EXPECT_EQ(r.failures, (std::vector<std::string>{
                              "上传内容格式错误：第 2 部分找不到头部结尾的空行",
                              "上传内容格式错误：第 3 部分找不到字段名",
                              "上传内容格式错误：第 4 部分找不到文件名",
                          }));

    // A header block longer than any browser sends, without its end, is not searched on.
    const std::string huge = "--b\r\nX: " + std::string(kMaxHeaderBlock + 10, 'h') +
                             "\r\n\r\nv\r\n--b--";
    EXPECT_EQ(parseMultipart(huge, CodePage::Gbk).failures.size(), 1u);
    // A closing line alone is a form without fields.
    const ParseResult none = parseMultipart("--b--\r\n", CodePage::Gbk);
    EXPECT_TRUE(none.parts.empty());
    EXPECT_TRUE(none.failures.empty());
    // A boundary line longer than any boundary is no boundary line.
    EXPECT_EQ(parseMultipart("--" + std::string(kMaxBoundaryLine, 'b') + "\r\n", CodePage::Gbk)
                  .failures,
              std::vector<std::string>{"上传内容格式错误：找不到分界行"});
}

}  // namespace

TEST(MultipartHeaders, NamesOverTheLimitMakeTheirPartMalformed) {
    const std::string longName(kMaxNameBytes + 1, 'n');
    const std::string body = MultipartBody()
                                 .field(longName, "1")
                                 .file("f", std::string(kMaxNameBytes, 'x') + ".txt", "2")
                                 .field(std::string(kMaxNameBytes, 'k'), "3")
                                 .str();
    const ParseResult r = parseMultipart(body, CodePage::Gbk);
    EXPECT_EQ(r.failures, (std::vector<std::string>{
                              "上传内容格式错误：第 1 部分的字段名超过 1024 字节",
                              "上传内容格式错误：第 2 部分的文件名超过 1024 字节"}));
    ASSERT_EQ(r.parts.size(), 1u);
    EXPECT_EQ(r.parts[0].name.size(), kMaxNameBytes);
    EXPECT_EQ(contentOf(body, r.parts[0]), "3");
}

TEST(MultipartHeaders, TheNamesOfAllPartsTogetherAreBounded) {
    MultipartBody many;
    const std::size_t parts = kMaxNamesBytes / kMaxNameBytes + 10;
    for (std::size_t i = 0; i < parts; ++i) many.field(std::string(kMaxNameBytes, 'a'), "v");
    const ParseResult r = parseMultipart(many.str(), CodePage::Gbk);
    EXPECT_EQ(r.parts.size(), kMaxNamesBytes / kMaxNameBytes);
    EXPECT_EQ(r.failures, std::vector<std::string>{
                              "上传内容的字段名和文件名共超过 1048576 字节，其余的部分没有读取"});
}

// Where the first delimiter line at or after `from` starts, found the plain way: the
// delimiter's text followed by "--", by blanks and CR LF, or by the end of the body.
std::size_t firstDelimiterLine(std::string_view body, std::string_view delimiter, std::size_t from) {
    for (std::size_t at = body.find(delimiter, from); at != std::string_view::npos;
         at = body.find(delimiter, at + 1)) {
        std::string_view t = body.substr(at + delimiter.size());
        if (t.starts_with("--")) return at;
        std::size_t i = 0;
        while (i < t.size() && i < 64 && (t[i] == ' ' || t[i] == '\t')) ++i;
        if (t.substr(i).starts_with("\r\n") || i == t.size()) return at;
    }
    return std::string_view::npos;
}

TEST(MultipartBoundaryTextInData, NearMissesOfWholeDelimitersAroundReadWindows) {
    // Data made of the delimiter's text followed by bytes that make it no delimiter line, over
    // several windows, the deciding bytes at every position around a window's edge; then the
    // same with a real delimiter line (blanks before its CR LF, or "--") at those positions.
    const std::size_t window = 256 * 1024;
    const std::string delimiter = "\r\n--" + kBoundary;
    const std::string head =
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a\"\r\n\r\n";
    std::string data;
    std::size_t fill = 0;
    for (const char* after : {"X", "-X", " x", "\rX", "  \r-", "-X"})
        for (fill += window / 2; data.size() < fill;) data += delimiter + after;
    const std::string body = head + data + delimiter + "--\r\n";
    for (const bool scratch : {false, true}) {
        const ParseResult r = scratch ? parseMultipart(ScratchReader(body), CodePage::Gbk)
                                      : parseMultipart(body, CodePage::Gbk);
        ASSERT_TRUE(r.failures.empty());
        ASSERT_EQ(r.parts.size(), 1u);
        EXPECT_EQ(r.parts[0].size, data.size());
    }
    for (const std::string_view line : {"  \r\n", "--"}) {
        for (std::size_t edge = window - delimiter.size() - 4; edge < window + 2; ++edge) {
            std::string cut = body;
            cut.replace(edge, delimiter.size() + line.size(), delimiter + std::string(line));
            const ParseResult c = parseMultipart(ScratchReader(cut), CodePage::Gbk);
            ASSERT_FALSE(c.parts.empty()) << edge;
            EXPECT_EQ(c.parts[0].size, firstDelimiterLine(cut, delimiter, head.size()) - head.size())
                << edge;
        }
    }
}
