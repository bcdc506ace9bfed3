// Feeds arbitrary bytes to the Upload object as a request body, in both code pages, with files
// in memory, and checks what must hold for any body: parts lie inside the body, texts are valid
// UTF-8, saved files land in the target directory only under names without control characters
// (also when the page renames them with text the client sent), messages stay bounded, and the
// end of the page leaves no temporary file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "upload/MemoryHost.h"
#include "upload/Upload.h"

using namespace kavelup;

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

bool validUtf8(const std::string& s) { return toUtf8(CodePage::Utf8, s) == s; }

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
    return 0;
}
