// The C interface of libkavelup.so: a thin shell over Upload. No exception leaves it.

#include <optional>
#include <string>

#include "kavelup.h"
#include "upload/PosixHost.h"
#include "upload/Upload.h"

namespace {

using kavelup::Upload;

std::string_view textOf(const char* s) { return s ? std::string_view(s) : std::string_view(); }

class CallbackRequest : public kavelup::Request {
public:
    explicit CallbackRequest(const kavelup_host& h) : host_(h) {}
    std::int64_t totalBytes() override {
        return host_.total_bytes ? host_.total_bytes(host_.context) : 0;
    }
    std::size_t binaryRead(char* buffer, std::size_t count) override {
        if (!host_.binary_read) return 0;
        const std::int64_t n =
            host_.binary_read(host_.context, buffer, static_cast<std::int64_t>(count));
        return n > 0 ? std::min(static_cast<std::size_t>(n), count) : 0;
    }

private:
    kavelup_host host_;
};

class CallbackSession : public kavelup::Session {
public:
    explicit CallbackSession(const kavelup_host& h) : host_(h) {}
    std::string sessionId() override {
        const char* id = host_.session_id ? host_.session_id(host_.context) : nullptr;
        return id ? id : "";
    }

private:
    kavelup_host host_;
};

struct Page {
    explicit Page(const kavelup_host& h)
        : request(h),
          session(h),
          fileSystem(h.temporary_folder ? h.temporary_folder
                                        : kavelup::PosixFileSystem::systemTemporaryFolder(),
                     h.default_directory ? h.default_directory
                                         : kavelup::PosixFileSystem::kDefaultUploadDirectory) {}
    CallbackRequest request;
    CallbackSession session;
    kavelup::PosixFileSystem fileSystem;
};

template <typename F, typename R>
R guarded(F f, R fallback) {
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

}  // namespace

struct kavelup_object {
    // The page's host outlives the Upload that refers to it.
    std::optional<Page> page;
    Upload upload;
    std::string result;

    const char* keep(std::string s) {
        result = std::move(s);
        return result.c_str();
    }
};

extern "C" {

kavelup_object* kavelup_create(void) {
    return guarded([] { return new kavelup_object; }, static_cast<kavelup_object*>(nullptr));
}

void kavelup_destroy(kavelup_object* o) {
    guarded(
        [o] {
            delete o;
            return 0;
        },
        0);
}

int kavelup_set_code_page(kavelup_object* o, const char* name) {
    kavelup::CodePage cp;
    if (!o || !kavelup::parseCodePage(textOf(name), cp)) return -1;
    o->upload.setCodePage(cp);
    return 0;
}

void kavelup_set_request_limit(kavelup_object* o, int64_t bytes) {
    if (o) o->upload.setRequestLimit(bytes);
}

void kavelup_on_start_page(kavelup_object* o, const kavelup_host* host) {
    if (!o || !host) return;
    guarded(
        [&] {
            o->upload.onEndPage();
            o->page.emplace(*host);
            o->upload.onStartPage({&o->page->request, &o->page->session, &o->page->fileSystem});
            return 0;
        },
        0);
}

void kavelup_on_end_page(kavelup_object* o) {
    if (!o) return;
    guarded(
        [&] {
            o->upload.onEndPage();
            o->page.reset();
            return 0;
        },
        0);
}

void kavelup_max_size(kavelup_object* o, int64_t bytes) {
    if (o) o->upload.maxSize(bytes);
}

void kavelup_max_size_text(kavelup_object* o, const char* value) {
    if (o) guarded([&] { o->upload.maxSize(textOf(value)); return 0; }, 0);
}

void kavelup_path(kavelup_object* o, const char* value) {
    if (o) guarded([&] { o->upload.path(textOf(value)); return 0; }, 0);
}

void kavelup_upload(kavelup_object* o) {
    if (o) guarded([&] { o->upload.upload(); return 0; }, 0);
}

int64_t kavelup_count(const kavelup_object* o) { return o ? o->upload.count() : 0; }

void kavelup_save(kavelup_object* o, const char* formName, int64_t overWrite,
                  const char* newFileName) {
    if (o)
        guarded([&] { o->upload.save(textOf(formName), overWrite, textOf(newFileName)); return 0; },
                0);
}

void kavelup_save_all(kavelup_object* o, int64_t overWrite) {
    if (o) guarded([&] { o->upload.saveAll(overWrite); return 0; }, 0);
}

const char* kavelup_file_name(kavelup_object* o, const char* formName) {
    if (!o) return "";
    return guarded([&] { return o->keep(o->upload.fileName(textOf(formName))); }, "");
}

int64_t kavelup_size(const kavelup_object* o, const char* formName) {
    if (!o) return -1;
    return guarded([&] { return o->upload.size(textOf(formName)); }, int64_t{-1});
}

int kavelup_form(kavelup_object* o, const char* formName, const char** data, size_t* length) {
    const char* d = "";
    size_t n = 0;
    int kind = KAVELUP_FORM_NONE;
    if (o)
        guarded(
            [&] {
                kavelup::FormValue v = o->upload.form(textOf(formName));
                if (v.kind == kavelup::FormValue::Kind::Bytes) {
                    kind = KAVELUP_FORM_BYTES;
                    d = v.bytes.data() ? v.bytes.data() : "";
                    n = v.bytes.size();
                } else if (v.kind == kavelup::FormValue::Kind::Text) {
                    kind = KAVELUP_FORM_TEXT;
                    n = v.text.size();
                    d = o->keep(std::move(v.text));
                }
                return 0;
            },
            0);
    if (data) *data = d;
    if (length) *length = n;
    return kind;
}

const char* kavelup_file_type(kavelup_object* o, const char* formName) {
    if (!o) return "";
    return guarded([&] { return o->keep(o->upload.fileType(textOf(formName))); }, "");
}

const char* kavelup_field_name(kavelup_object* o, int64_t index) {
    if (!o) return "";
    return guarded([&] { return o->keep(o->upload.fieldName(index)); }, "");
}

const char* kavelup_errors(kavelup_object* o) {
    if (!o) return "";
    return guarded([&] { return o->keep(o->upload.errors()); }, "");
}

int kavelup_raw_part_at(const kavelup_object* o, int64_t index, kavelup_raw_part* part) {
    if (!part) return -1;
    *part = kavelup_raw_part{"", 0, "", 0, "", 0, "", 0, 0};
    if (!o || index < 0 || index >= o->upload.partsRead()) return -1;
    const kavelup::RawPart raw = o->upload.rawPart(index);
    const auto set = [](std::string_view v, const char*& p, size_t& n) {
        if (!v.empty()) {
            p = v.data();
            n = v.size();
        }
    };
    set(raw.name, part->name, part->name_length);
    set(raw.fileName, part->file_name, part->file_name_length);
    set(raw.fileType, part->file_type, part->file_type_length);
    set(raw.content, part->content, part->content_length);
    part->is_file = raw.isFile ? 1 : 0;
    return 0;
}

}  // extern "C"
