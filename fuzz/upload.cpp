// Feeds arbitrary bytes to the Upload object as a request body, in both code pages, with files
// in memory, and checks what must hold for any body: parts lie inside the body in order and
// never hold a delimiter line, texts are valid UTF-8, a part listed as a file can be saved,
// saved files land in the target directory only under names without control characters (also
// when the page renames them with text the client sent), messages stay bounded, and the end of
// the page leaves no temporary file. The parse read through a scratch buffer, as from a file,
// finds the same parts.

#include <cstddef>
#include <cstdint>
#include <string>

#include "upload/MemoryHost.h"
#include "upload/Multipart.h"
#include "upload/Upload.h"

using namespace kavelup;

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

bool validUtf8(const std::string& s) { return toUtf8(CodePage::Utf8, s) == s; }

// Hands out copies, in pieces no longer than asked, as a file read with pread would.
class CopyingReader : public BodyReader {
public:
    explicit CopyingReader(std::string_view body) : body_(body) {}
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

void checkParse(const std::string& body, CodePage cp) {
    const ParseResult direct = parseMultipart(body, cp, 50);
    const ParseResult copied = parseMultipart(CopyingReader(body), cp, 50);
    require(direct.parts.size() == copied.parts.size() && direct.failures == copied.failures);
    const std::size_t crlf = body.find("\r\n");
    const std::string delimiter = "\r\n" + body.substr(0, crlf == std::string::npos ? 0 : crlf);
    std::uint64_t previousEnd = 0;
    for (std::size_t i = 0; i < direct.parts.size(); ++i) {
        const ParsedPart& p = direct.parts[i];
        require(p.offset == copied.parts[i].offset && p.size == copied.parts[i].size);
        require(p.offset >= previousEnd && p.offset + p.size <= body.size());
        previousEnd = p.offset + p.size;
        // A part's content may hold the delimiter's text, but never as a line of its own.
        const std::string content = body.substr(p.offset, p.size);
        for (std::size_t at = content.find(delimiter); at != std::string::npos;
             at = content.find(delimiter, at + 1)) {
            const std::string after = content.substr(at + delimiter.size(), 2);
            require(after != "--" && after != "\r\n");
        }
    }
}

void run(const std::string& body, CodePage cp) {
    MemoryRequest request(body);
    FixedSession session("fuzz/../session");
    MemoryFileSystem fs;
    {
        Upload up;
        up.setCodePage(cp);
        up.onStartPage({&request, &session, &fs});
        up.maxSize("65536");
        up.path("/srv/up");
        up.upload();

        require(up.partsRead() <= up.count());
        require(up.count() <= static_cast<std::int64_t>(body.size() / 7));
        for (std::int64_t i = 0; i < up.partsRead(); ++i) {
            const RawPart p = up.rawPart(i);
            // Touch every byte: the sanitizer sees any view that reaches past the body.
            unsigned sum = 0;
            for (char c : p.content) sum += static_cast<unsigned char>(c);
            require(sum <= 255u * p.content.size());
            const std::string name = up.fieldName(i);
            require(validUtf8(name));
            require(validUtf8(up.fileName(name)) && validUtf8(up.fileType(name)));
            const FormValue v = up.form(name);
            require(v.kind != FormValue::Kind::None || name.empty());
            if (v.kind == FormValue::Kind::Text) require(validUtf8(v.text));
            require(p.content.size() <= body.size());
            const PartReport r = up.report(i);
            require(!r.isFile || isFileName(r.fileName));
        }
        if (up.partsRead() > 0) {
            up.save(up.fieldName(0), 0);
            // A page that renames the file with what the client sent.
            up.save(up.fieldName(0), Upload::kOverwrite, up.fieldName(up.partsRead() - 1));
        }
        up.saveAll(Upload::kOverwrite);
        require(validUtf8(up.errors()));
        require(up.errorList().size() <= Upload::kMaxMessages);
        up.onEndPage();
    }
    for (const auto& [path, content] : fs.files) {
        require(path.starts_with("/srv/up/"));
        const std::string leaf = path.substr(8);
        require(leaf.find('/') == std::string::npos && leaf != "." && leaf != ".." &&
                !leaf.empty());
        for (char c : leaf) require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    require(fs.directories.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    run(body, CodePage::Gbk);
    run(body, CodePage::Utf8);
    checkParse(body, CodePage::Gbk);
    return 0;
}
