// kavelup.cgi: the upload page as a CGI program. The web server passes the request in the CGI
// environment and the body on standard input; the settings come from environment variables the
// server sets (see docs/kavelup.md):
//
//   KAVELUP_PATH           target directory (absolute; anything else means the default one)
//   KAVELUP_DEFAULT_PATH   the default directory (/var/lib/kavelup/)
//   KAVELUP_MAXSIZE        files are saved only when smaller (unset: nothing is saved)
//   KAVELUP_OVERWRITE      0, 1 or 2; only 2 replaces existing files (0)
//   KAVELUP_CODEPAGE       gbk or utf-8: how the browser encodes names (gbk)
//   KAVELUP_REQUEST_LIMIT  longest body read, in bytes (268435456)
//   KAVELUP_TEMP           folder for temporary files ($TMPDIR or /tmp)
//
// KAVELUP_DEFAULT_PATH and KAVELUP_TEMP, when set, must be absolute paths; anything else is a
// configuration error answered with status 500, and nothing is read or saved.
//
// A POST is uploaded and saved: every file (SaveAll), or only the fields named by "save=" in the
// query string. The answer lists every part with what became of it and the recorded messages
// (the first 100, then how many more), as HTML or, when the client accepts application/json, as
// JSON. Its status (the table in README.md): 200 when the body was read and the files were
// saved or refused for the client's reasons, 413 for a body over the request limit, 400 for one
// that ended early or is malformed, and 500 for a fault of the server: its configuration, its
// temporary folder, its memory, or no file of the request saved because of the server (the
// directory to save in missing, a full disk, no KAVELUP_MAXSIZE). A run that cannot answer
// otherwise still answers 500 with a fixed text. A GET answers a form to upload with.
//
// The cause of every fault of the server goes to standard error, one line each, which the web
// server writes to its error log; the client's answer never names the server's directories.
//
// A run ended by SIGTERM, SIGINT, SIGHUP or SIGPIPE (a server timeout, a client gone) removes
// its temporary files and any partly saved file first. What runs killed outright left behind
// more than an hour ago is removed when the next POST starts.

#include <sys/random.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProgramHelp.h"
#include "text/Gbk.h"
#include "upload/PosixHost.h"
#include "upload/SignalCleanup.h"
#include "upload/Upload.h"

namespace {

using namespace kavelup;

constexpr std::string_view kSessionCookie = "KAVELUP_SESSION";

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool hasEnv(const char* name) { return std::getenv(name) != nullptr; }

// A non-negative decimal integer (clamped to the largest one), or `fallback` for anything else.
std::int64_t number(std::string_view s, std::int64_t fallback) {
    if (s.empty() || s.find_first_not_of("0123456789") != std::string_view::npos) return fallback;
    std::int64_t v = 0;
    for (char c : s) {
        if (v > (INT64_MAX - 9) / 10) return INT64_MAX;
        v = v * 10 + (c - '0');
    }
    return v;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string urlDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 &&
                   hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Values of every "save=" in the query string.
std::vector<std::string> fieldsToSave(std::string_view query) {
    std::vector<std::string> names;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.starts_with("save=")) names.push_back(urlDecode(pair.substr(5)));
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return names;
}

bool isSessionId(std::string_view id) {
    return id.size() >= 16 && id.size() <= 64 &&
           id.find_first_not_of("0123456789abcdefABCDEFGHIJKLMNOPQRSTUVWXYZghijklmnopqrstuvwxyz") ==
               std::string_view::npos;
}

std::string sessionFromCookie(std::string_view cookies) {
    while (!cookies.empty()) {
        const std::size_t semi = cookies.find(';');
        std::string_view c = cookies.substr(0, semi);
        while (!c.empty() && c.front() == ' ') c.remove_prefix(1);
        if (c.starts_with(kSessionCookie) && c.substr(kSessionCookie.size()).starts_with("=")) {
            const std::string_view id = c.substr(kSessionCookie.size() + 1);
            if (isSessionId(id)) return std::string(id);
        }
        cookies = semi == std::string_view::npos ? std::string_view() : cookies.substr(semi + 1);
    }
    return {};
}

std::string newSessionId() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    std::string id;
    for (unsigned char b : bytes) {
        id += "0123456789abcdef"[b >> 4];
        id += "0123456789abcdef"[b & 15];
    }
    return id;
}

std::string html(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

// The answer is written as it is made, a line at a time: a request with ten thousand files
// makes a long list, and none of it needs to be held.
void put(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string jsonText(std::string_view s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

const char* outcomeText(SaveOutcome outcome) {
    switch (outcome) {
        case SaveOutcome::Saved: return "已保存";
        case SaveOutcome::NotSaved: return "没有保存";
        case SaveOutcome::NotAsked: break;
    }
    return "未要求保存";
}

void jsonAnswer(const Upload& up) {
    put("{\"count\":" + std::to_string(up.count()) + ",\"fields\":[");
    for (std::int64_t i = 0; i < up.partsRead(); ++i) {
        const PartReport r = up.report(i);
        put(std::string(i ? "," : "") + "{\"name\":" + jsonText(r.name) +
            ",\"fileName\":" + jsonText(r.fileName) + ",\"fileType\":" + jsonText(r.fileType) +
            ",\"size\":" + std::to_string(r.size) + ",\"isFile\":" +
            (r.isFile ? "true" : "false") + ",\"saved\":" +
            (r.outcome == SaveOutcome::Saved ? "true" : "false") +
            ",\"message\":" + jsonText(r.reason) + "}");
    }
    put("],\"messages\":[");
    bool first = true;
    for (const std::string& e : up.errorList()) {
        put((first ? "" : ",") + jsonText(e));
        first = false;
    }
    put("],\"omittedMessages\":" + std::to_string(up.omittedMessages()) + "}\n");
}

void htmlAnswer(const Upload& up) {
    put("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head><meta charset=\"utf-8\">"
        "<title>上传结果</title></head>\n<body>\n<h1>上传结果</h1>\n"
        "<p>共 " + std::to_string(up.count()) + " 项</p>\n"
        "<table border=\"1\">\n<tr><th>序号</th><th>字段名</th><th>文件名</th><th>类型</th>"
        "<th>大小</th><th>结果</th></tr>\n");
    for (std::int64_t i = 0; i < up.partsRead(); ++i) {
        const PartReport r = up.report(i);
        const std::string result = r.outcome == SaveOutcome::NotSaved
                                       ? outcomeText(r.outcome) + std::string("：") + r.reason
                                       : outcomeText(r.outcome);
        put("<tr><td>" + std::to_string(i) + "</td><td>" + html(r.name) + "</td><td>" +
            html(r.fileName) + "</td><td>" + html(r.fileType) + "</td><td>" +
            std::to_string(r.size) + "</td><td class=\"" +
            (r.outcome == SaveOutcome::Saved ? "saved" : "not-saved") + "\">" + html(result) +
            "</td></tr>\n");
    }
    put("</table>\n<p class=\"errors\">");
    // The messages hold names the client chose, so each is escaped and the breaks added here.
    for (const std::string& e : up.errorList()) put(html(e) + "<br>\n");
    if (up.omittedMessages() > 0)
        put("另有 " + std::to_string(up.omittedMessages()) + " 条消息没有列出<br>\n");
    put("</p>\n</body>\n</html>\n");
}

std::string formPage(CodePage cp) {
    const std::string page =
        "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head><title>上传文件</title></head>\n<body>\n"
        "<form method=\"post\" enctype=\"multipart/form-data\">\n"
        "<p><input type=\"file\" name=\"file1\"></p>\n"
        "<p><input type=\"file\" name=\"file2\"></p>\n"
        "<p>说明：<input type=\"text\" name=\"note\"></p>\n"
        "<p><input type=\"submit\" value=\"上传\"></p>\n</form>\n</body>\n</html>\n";
    // Browsers send names in the page's encoding, which must be the component's code page.
    return cp == CodePage::Gbk ? text::utf8ToGbk(page) : page;
}

// Whether the head of the answer has gone out; after that no other answer can be given.
bool answered = false;

void respondHead(std::string_view status, std::string_view type, const std::string& cookie) {
    std::string head = "Status: " + std::string(status) + "\r\nContent-Type: " +
                       std::string(type) + "\r\nCache-Control: no-store\r\n";
    if (!cookie.empty())
        head += "Set-Cookie: " + std::string(kSessionCookie) + "=" + cookie +
                "; Path=/; HttpOnly; SameSite=Lax\r\n";
    head += "\r\n";
    answered = true;
    put(head);
}

void respond(std::string_view status, std::string_view type, const std::string& cookie,
             std::string_view body) {
    respondHead(status, type, cookie);
    put(body);
    std::fflush(stdout);
}

constexpr std::string_view kServerError = "500 Internal Server Error";

// One line for the web server's error log.
void logLine(const std::string& line) {
    const std::string text = "kavelup.cgi: " + line + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void logFaults(const Upload& up) {
    for (const ServerFault& f : up.serverFaults()) {
        switch (f.kind) {
            case ServerFault::Kind::TemporaryFolder:
                logLine("临时文件夹不能用（KAVELUP_TEMP）：" + f.detail + "，上传的内容没有读取");
                break;
            case ServerFault::Kind::TargetDirectory:
                logLine("保存目录 " + f.detail +
                        " 不存在（KAVELUP_PATH 或 KAVELUP_DEFAULT_PATH），文件没有保存");
                break;
            case ServerFault::Kind::NoSizeLimit:
                logLine("没有设置 KAVELUP_MAXSIZE，所有文件都按超出大小没有保存");
                break;
            case ServerFault::Kind::Saving:
                logLine("保存文件到 " + f.detail);
                break;
            case ServerFault::Kind::Configuration:
                logLine(f.detail);
                break;
        }
    }
}
constexpr std::string_view kPlainText = "text/plain; charset=utf-8";

std::string_view statusOf(const Upload& up) {
    switch (up.state()) {
        case RequestState::NotRead:
        case RequestState::Read: return up.serverKeptFiles() ? kServerError : "200 OK";
        case RequestState::TooLarge: return "413 Payload Too Large";
        case RequestState::Incomplete:
        case RequestState::Malformed: return "400 Bad Request";
        case RequestState::ServerError: break;
    }
    return kServerError;
}

// The last answer, for a run that cannot go on (no memory left, or a fault that would end it):
// fixed bytes written straight to the descriptor, nothing allocated.
void lastAnswer() noexcept {
    if (answered) return;
    answered = true;
    static constexpr char kText[] =
        "Status: 500 Internal Server Error\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Cache-Control: no-store\r\n\r\n内存不足或服务器内部错误，请求没有处理完，文件没有保存\n";
    std::size_t done = 0;
    while (done < sizeof kText - 1) {
        const ssize_t n = ::write(STDOUT_FILENO, kText + done, sizeof kText - 1 - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
}

// Memory held back for the moment the rest runs out, so that what is under way (unwinding,
// destructors, the answer) can still finish.
char* reserve = nullptr;

void onOutOfMemory() {
    if (!reserve) throw std::bad_alloc();
    std::free(reserve);
    reserve = nullptr;
}

int run() {
    CodePage cp = CodePage::Gbk;
    if (hasEnv("KAVELUP_CODEPAGE") && !parseCodePage(env("KAVELUP_CODEPAGE"), cp)) {
        logLine("KAVELUP_CODEPAGE=" + env("KAVELUP_CODEPAGE") + "：必须是 gbk 或 utf-8");
        respond(kServerError, kPlainText, {},
                "服务器设置错误：KAVELUP_CODEPAGE 必须是 gbk 或 utf-8\n");
        return 0;
    }
    const std::string method = env("REQUEST_METHOD");
    if (method == "GET" || method == "HEAD") {
        respond("200 OK", std::string("text/html; charset=") + codePageName(cp), {},
                method == "HEAD" ? std::string() : formPage(cp));
        return 0;
    }
    if (method != "POST") {
        respond("405 Method Not Allowed", kPlainText, {}, "只接受 POST 或 GET 请求\n");
        return 0;
    }

    // Settings that would put files in the root or the server's working directory.
    for (const char* name : {"KAVELUP_DEFAULT_PATH", "KAVELUP_TEMP"}) {
        if (hasEnv(name) && env(name).rfind('/', 0) != 0) {
            logLine(std::string(name) + "=" + env(name) + "：必须是绝对路径");
            respond(kServerError, kPlainText, {},
                    "服务器设置错误：" + std::string(name) + " 必须是绝对路径\n");
            return 0;
        }
    }

    std::string session = sessionFromCookie(env("HTTP_COOKIE"));
    std::string newCookie;
    if (session.empty()) session = newCookie = newSessionId();

    FdRequest request(STDIN_FILENO, number(env("CONTENT_LENGTH"), 0));
    FixedSession sessionObject(session);
    PosixFileSystem fileSystem(
        hasEnv("KAVELUP_TEMP") ? env("KAVELUP_TEMP") : PosixFileSystem::systemTemporaryFolder(),
        hasEnv("KAVELUP_DEFAULT_PATH") ? env("KAVELUP_DEFAULT_PATH")
                                       : PosixFileSystem::kDefaultUploadDirectory);
    const std::int64_t overWrite = number(env("KAVELUP_OVERWRITE"), 0);
    signalcleanup::install();
    fileSystem.trackForSignals(true);
    const std::string target = env("KAVELUP_PATH").rfind('/', 0) == 0
                                   ? env("KAVELUP_PATH")
                                   : fileSystem.defaultUploadDirectory();
    sweepAbandonedUploads(fileSystem.temporaryFolder(), target);

    Upload up;
    up.setCodePage(cp);
    if (hasEnv("KAVELUP_REQUEST_LIMIT"))
        up.setRequestLimit(number(env("KAVELUP_REQUEST_LIMIT"), Upload::kDefaultRequestLimit));
    up.onStartPage({&request, &sessionObject, &fileSystem});
    if (hasEnv("KAVELUP_MAXSIZE")) up.maxSize(env("KAVELUP_MAXSIZE"));
    up.path(env("KAVELUP_PATH"));
    up.upload();
    const std::vector<std::string> names = fieldsToSave(env("QUERY_STRING"));
    if (names.empty())
        up.saveAll(overWrite);
    else
        for (const std::string& name : names) up.save(name, overWrite);
    up.onEndPage();

    logFaults(up);
    const std::string_view status = statusOf(up);
    if (env("HTTP_ACCEPT").find("application/json") != std::string::npos) {
        respondHead(status, "application/json", newCookie);
        jsonAnswer(up);
    } else {
        respondHead(status, "text/html; charset=utf-8", newCookie);
        htmlAnswer(up);
    }
    std::fflush(stdout);
    return 0;
}

// What `kavelup.cgi --help` prints in a shell. The manual page lists the same variables and
// options (a test compares them).
std::string usageText() {
    platform::ProgramHelp help{
        "kavelup.cgi",
        {""},
        "由网站服务器作为 CGI 程序运行，接收 multipart/form-data 上传并保存文件。\n"
        "GET 请求回答一个上传表单；POST 请求保存上传的文件（全部文件，或查询串中 save= 指定的字段），\n"
        "回答每一部分和消息，客户端接受 application/json 时以 JSON 回答。",
        {{"环境变量（由网站服务器传给程序）",
          {{"KAVELUP_PATH", "保存文件的目录（绝对路径；其它值用默认目录）"},
           {"KAVELUP_DEFAULT_PATH", "默认目录，绝对路径（/var/lib/kavelup/）"},
           {"KAVELUP_MAXSIZE", "文件小于这个字节数才保存（不设：什么也不保存）"},
           {"KAVELUP_OVERWRITE", "0、1 或 2；只有 2 覆盖已有的文件（0）"},
           {"KAVELUP_CODEPAGE", "gbk 或 utf-8：浏览器发送名称的编码（gbk）"},
           {"KAVELUP_REQUEST_LIMIT", "最多读入的请求字节数（268435456）"},
           {"KAVELUP_TEMP", "临时文件的目录，绝对路径（$TMPDIR 或 /tmp）"}}}},
        "0 已回答请求；1 无法回答（回答之前内存不足等）。帮助和版本只在网站服务器之外显示"};
    return platform::helpText(help);
}

}  // namespace

int main(int argc, char** argv) {
    // Only a shell gets the usage: under a web server (GATEWAY_INTERFACE set) the arguments
    // come from the query string, and every answer must be a CGI response.
    if (argc > 1 && !hasEnv("GATEWAY_INTERFACE") && platform::answerStandardOption(argv[1], "kavelup.cgi", usageText))
        return 0;
    // The terminate handler first: with memory this short even a failed allocation can end the
    // program, as the exception it throws may find no room. malloc, unlike new (std::nothrow),
    // throws nothing on the way to saying no.
    std::set_terminate([] {
        lastAnswer();
        std::abort();
    });
    reserve = static_cast<char*>(std::malloc(std::size_t{1} << 20));
    std::set_new_handler(onOutOfMemory);
    try {
        return run();
    } catch (const std::bad_alloc&) {
        lastAnswer();
    } catch (const std::exception& e) {
        if (!answered) respond(kServerError, kPlainText, {}, "服务器内部错误：" + std::string(e.what()) + "\n");
    }
    std::fflush(stdout);
    return 1;
}
