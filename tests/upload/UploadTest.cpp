#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "upload/CodePage.h"
#include "upload/MemoryHost.h"
#include "upload/Upload.h"
#include "upload/MultipartBody.h"

using namespace kavelup;
using kavelup::test::MultipartBody;

namespace {

const std::string kNotAFile = "内容不是一个文件，不能保存";
const std::string kExists = " 文件已经存在";
const std::string kTooLarge = "内容的大小超出范围";
const std::string kTempFailed = "保存至临时文件夹时出错,可能没有写的权限";
const std::string kZhongWen = "\xD6\xD0\xCE\xC4";  // 中文 in GBK

// One page: a request with `body`, session "S1", and files in memory.
struct Page {
    explicit Page(std::string body) : request(std::move(body)), session("S1") {
        fs.directories.insert("/srv/up");
        up.onStartPage({&request, &session, &fs});
    }
    MemoryRequest request;
    FixedSession session;
    MemoryFileSystem fs;
    Upload up;
};

TEST(Upload, ReadsFilesAndFieldsAndKeepsTheBytes) {
    // Content with CR LF, a line that looks like the boundary and every byte value.
    std::string binary = "\r\n--" "----KavelTestBoundary7MA4YWxkTrZu0g\r\n\r\n--\r";
    for (int c = 0; c < 256; ++c) binary += static_cast<char>(c);
    const std::string body = MultipartBody()
                                 .file("f1", "C:\\docs\\a.b.txt", binary)
                                 .field("note", "hello world")
                                 .file("empty", "README", "")
                                 .str();
    Page p(body);
    p.up.upload();

    EXPECT_EQ(p.up.errors(), "");
    ASSERT_EQ(p.up.count(), 3);
    EXPECT_EQ(p.up.fieldName(0), "f1");
    EXPECT_EQ(p.up.fieldName(2), "empty");
    EXPECT_EQ(p.up.fieldName(3), "");
    EXPECT_EQ(p.up.fileName("f1"), "a.b.txt");
    EXPECT_EQ(p.up.fileType("f1"), "txt");
    EXPECT_EQ(p.up.fileName("empty"), "README");
    EXPECT_EQ(p.up.fileType("empty"), "README");
    EXPECT_EQ(p.up.fileName("note"), "NonFile");
    EXPECT_EQ(p.up.fileType("note"), "NonFileType");
    EXPECT_EQ(p.up.size("f1"), static_cast<std::int64_t>(binary.size()));
    EXPECT_EQ(p.up.size("empty"), 0);
    EXPECT_EQ(p.up.size("missing"), -1);
    EXPECT_EQ(p.up.fileName("missing"), "");
    EXPECT_EQ(p.up.fileType("missing"), "");

    const FormValue file = p.up.form("f1");
    EXPECT_EQ(file.kind, FormValue::Kind::Bytes);
    EXPECT_EQ(file.bytes, binary);
    const FormValue note = p.up.form("note");
    EXPECT_EQ(note.kind, FormValue::Kind::Text);
    EXPECT_EQ(note.text, "hello world");
    EXPECT_EQ(p.up.form("missing").kind, FormValue::Kind::None);

    // The body waits in one temporary file in a directory of the session's page.
    const auto temps = p.fs.filesIn("/tmp/kavelup-S1-");
    ASSERT_EQ(temps.size(), 1u);
    EXPECT_EQ(p.fs.files.at(*temps.begin()), body);
    EXPECT_EQ(p.up.state(), RequestState::Read);

    p.up.maxSize(1000);
    p.up.path("/srv/up");
    p.up.saveAll(0);
    EXPECT_EQ(p.fs.files.at("/srv/up/a.b.txt"), binary);
    EXPECT_EQ(p.fs.files.at("/srv/up/README"), "");
    EXPECT_EQ(p.up.errors(), "note" + kNotAFile + "<br>");

    p.up.onEndPage();
    EXPECT_TRUE(p.fs.filesIn("/tmp/").empty());
    EXPECT_EQ(p.fs.directories, std::set<std::string>{"/srv/up"});
    // The parts stay readable after the page.
    EXPECT_EQ(p.up.form("f1").bytes, binary);
}

TEST(Upload, SizeRuleAndMaxSize) {
    const std::string body = MultipartBody()
                                 .file("small", "s.bin", std::string(99999, 'x'))
                                 .file("exact", "e.bin", std::string(100000, 'y'))
                                 .str();
    {
        // Never set: every size is at least 0, so nothing is saved.
        Page p(body);
        p.up.path("/srv/up");
        p.up.upload();
        p.up.saveAll(2);
        EXPECT_EQ(p.up.errors(), "small" + kTooLarge + "<br>exact" + kTooLarge + "<br>");
    }
    for (const char* notANumber : {"abc", "", "1e", "0x10", "--1", "12 kB"}) {
        Page p(body);
        p.up.path("/srv/up");
        p.up.maxSize(notANumber);  // 100000
        p.up.upload();
        p.up.saveAll(2);
        EXPECT_EQ(p.up.errors(), "exact" + kTooLarge + "<br>") << notANumber;
        EXPECT_EQ(p.fs.files.count("/srv/up/s.bin"), 1u);
        EXPECT_EQ(p.fs.files.count("/srv/up/e.bin"), 0u);
    }
    {
        Page p(body);
        p.up.path("/srv/up");
        p.up.maxSize(" 1.000005e5 ");  // 100000.5 rounds to even: 100000
        p.up.upload();
        p.up.save("exact", 2);
        p.up.maxSize("100000.6");
        p.up.save("exact", 2);
        EXPECT_EQ(p.up.errors(), "exact" + kTooLarge + "<br>");
        EXPECT_EQ(p.fs.files.count("/srv/up/e.bin"), 1u);
    }
}

TEST(Upload, PathRules) {
    const std::string body = MultipartBody().file("f", "a.txt", "A").str();
    struct Case {
        const char* path;
        const char* saved;
    } cases[] = {
        {"/srv/up", "/srv/up/a.txt"},
        {"/srv/up/", "/srv/up/a.txt"},
        {"up", "/var/lib/kavelup/a.txt"},
        {"\\\\server\\share", "/var/lib/kavelup/a.txt"},
        {"d:\\up", "/var/lib/kavelup/a.txt"},
        {nullptr, "/var/lib/kavelup/a.txt"},  // never set: the default directory, never the root
    };
    for (const Case& c : cases) {
        Page p(body);
        if (c.path) p.up.path(c.path);
        p.up.maxSize(10);
        p.up.upload();
        p.up.saveAll(0);
        EXPECT_EQ(p.up.errors(), "") << c.saved;
        EXPECT_EQ(p.fs.files.count(c.saved), 1u) << c.saved;
    }
}

TEST(Upload, OverwriteValuesAndNewNames) {
    const std::string body = MultipartBody().file("f", "a.txt", "new").str();
    for (int overWrite : {0, 1, 2, 3, -1}) {
        Page p(body);
        p.fs.files["/srv/up/a.txt"] = "old";
        p.up.path("/srv/up");
        p.up.maxSize(10);
        p.up.upload();
        p.up.save("f", overWrite);
        p.up.saveAll(overWrite);
        if (overWrite == 2) {
            EXPECT_EQ(p.up.errors(), "");
            EXPECT_EQ(p.fs.files.at("/srv/up/a.txt"), "new");
        } else {
            EXPECT_EQ(p.up.errors(), "a.txt" + kExists + "<br>a.txt" + kExists + "<br>");
            EXPECT_EQ(p.fs.files.at("/srv/up/a.txt"), "old");
        }
    }
    Page p(body);
    p.up.path("/srv/up");
    p.up.maxSize(10);
    p.up.upload();
    p.up.save("f", 0, "renamed.dat");
    EXPECT_EQ(p.fs.files.at("/srv/up/renamed.dat"), "new");
    // A name no part has is said to be missing.
    p.up.save("nothere", 0, "x");
    EXPECT_EQ(p.up.errors(), "nothere 字段不存在，不能保存<br>");
    // A failed copy records its description, naming the file but not where the server keeps it.
    p.fs.failCopies = true;
    p.up.save("f", 2);
    EXPECT_EQ(p.up.errorList().size(), 2u);
    EXPECT_EQ(p.up.errorList()[1], "保存 a.txt 时出错：磁盘已满");

    // A new name is a file name in the target directory, as a client's is.
    Page q(body);
    q.up.path("/srv/up");
    q.up.maxSize(10);
    q.up.upload();
    q.up.save("f", 2, "../up.txt");
    q.up.save("f", 2, "sub/x.txt");
    q.up.save("f", 2, "C:\\win\\w.txt");
    for (const char* bad : {"..", "dir/..", "/", ".", "a\rb", "a\nb", "e\x1b[2J", "del\x7f", "c1\xc2\x85"})
        q.up.save("f", 2, bad);
    std::set<std::string> saved;
    for (const auto& [path, content] : q.fs.files)
        if (!path.starts_with("/tmp/")) saved.insert(path);
    EXPECT_EQ(saved, (std::set<std::string>{"/srv/up/up.txt", "/srv/up/x.txt", "/srv/up/w.txt"}));
    EXPECT_EQ(q.up.errorList(), std::vector<std::string>(9, "f" + kNotAFile));
}

TEST(Upload, DirectoriesMustBeConfiguredAsAbsolutePaths) {
    const std::string body = MultipartBody().file("f", "a.txt", "A").str();
    // An empty or relative default directory would be the root or the server's working
    // directory: nothing is saved.
    for (const char* dflt : {"", "uploads", "./"}) {
        Page p(body);
        p.fs.defaultUploadPath = dflt;
        p.up.maxSize(10);
        p.up.upload();
        p.up.saveAll(2);
        p.up.save("f", 2);
        EXPECT_EQ(p.up.errorList(), std::vector<std::string>(2, std::string(kBadDefaultDirectory)))
            << dflt;
        EXPECT_EQ(p.fs.files.size(), 1u) << dflt;  // the temporary file alone
        // An absolute page path does not need the default.
        p.up.path("/srv/up");
        p.up.save("f", 2);
        EXPECT_EQ(p.fs.files.count("/srv/up/a.txt"), 1u);
    }
    // The same for the temporary folder: nothing is read.
    for (const char* temp : {"", "tmp"}) {
        Page p(body);
        p.fs.temporaryFolderPath = temp;
        p.up.path("/srv/up");
        p.up.maxSize(10);
        p.up.upload();
        EXPECT_EQ(p.up.count(), 0);
        EXPECT_EQ(p.request.bytesRead(), 0u);
        EXPECT_EQ(p.up.errors(), std::string(kBadTemporaryFolder) + "<br>");
        EXPECT_TRUE(p.fs.files.empty());
    }
}

TEST(Upload, MarkersInsideDataKeepTheMessagesBounded) {
    // Every "; name=" counts a part, millions of them in a large file; each unread part makes a
    // message on saving. The first ones are kept, the rest only counted.
    std::string data;
    while (data.size() < (std::size_t{2} << 20)) data += "; name=";
    Page p(MultipartBody().file("f", "a.bin", data).str());
    p.up.path("/srv/up");
    p.up.maxSize(std::int64_t{1} << 30);
    p.up.upload();
    const std::int64_t markers = static_cast<std::int64_t>(data.size() / 7) + 1;
    EXPECT_EQ(p.up.count(), markers);
    p.up.saveAll(2);
    EXPECT_EQ(p.fs.files.at("/srv/up/a.bin"), data);
    ASSERT_EQ(p.up.errorList().size(), Upload::kMaxMessages);
    // One message per counted part that is no part on saving.
    EXPECT_EQ(p.up.omittedMessages(), static_cast<std::size_t>(markers) - 1 - Upload::kMaxMessages);
    const std::string all = p.up.errors();
    EXPECT_LT(all.size(), 10000u);
    EXPECT_TRUE(all.ends_with("另有 " + std::to_string(p.up.omittedMessages()) +
                              " 条消息没有列出<br>"));

    // Parts that do parse, as many as there are markers, are read up to a limit.
    std::string many;
    for (std::size_t i = 0; i < Upload::kMaxParts + 10; ++i) many += "; name=\"v\"\r\n\r\nx\r\n--b\r\n";
    Page q("--b\r\n" + many);
    q.up.upload();
    EXPECT_EQ(q.up.count(), static_cast<std::int64_t>(Upload::kMaxParts + 10));
    EXPECT_EQ(q.up.partsRead(), static_cast<std::int64_t>(Upload::kMaxParts));
    ASSERT_EQ(q.up.errorList().size(), 1u);
    EXPECT_NE(q.up.errorList()[0].find(std::to_string(Upload::kMaxParts)), std::string::npos);
}

TEST(Upload, ClientFileNamesNeverLeaveTheTargetDirectory) {
    Page p(MultipartBody()
               .file("a", "../../etc/passwd", "1")
               .file("b", "C:\\x\\..", "2")
               .file("c", "dir/.", "3")
               .file("d", "", "4")
               .file("e", "c:evil", "5")
               .file("f", "NonFile", "6")
               .file("g", "a\x81/b", "7")  // in GBK 0x81 takes the "/" along
               .str());
    p.up.path("/srv/up");
    p.up.maxSize(10);
    p.up.upload();
    EXPECT_EQ(p.up.fileName("a"), "passwd");
    EXPECT_EQ(p.up.fileName("b"), "..");
    EXPECT_EQ(p.up.fileType("d"), "");
    p.up.saveAll(2);
    EXPECT_EQ(p.up.errors(), "b" + kNotAFile + "<br>c" + kNotAFile + "<br>d" + kNotAFile +
                                 "<br>f" + kNotAFile + "<br>");
    std::set<std::string> saved;
    for (const auto& [path, content] : p.fs.files)
        if (!path.starts_with("/tmp/")) saved.insert(path);
    EXPECT_EQ(saved, (std::set<std::string>{"/srv/up/a\xEF\xBF\xBD" "b", "/srv/up/evil",
                                            "/srv/up/passwd"}));
}

TEST(Upload, TemporaryFilesStayInThePagesDirectory) {
    // Field names that would be paths, and the same name twice: the body alone is kept, in the
    // page's own directory, and each part is its own range of it.
    const std::string body = MultipartBody()
                                 .file("../../etc/x", "one.txt", "first")
                                 .file("../../etc/x", "two.txt", "second")
                                 .file("/abs", "three.txt", "third")
                                 .str();
    Page p(body);
    p.up.upload();
    ASSERT_EQ(p.up.count(), 3);
    EXPECT_EQ(p.fs.filesIn("/tmp/"), std::set<std::string>{"/tmp/kavelup-S1-1/body"});
    EXPECT_EQ(p.fs.files.at("/tmp/kavelup-S1-1/body"), body);
    p.up.path("/srv/up");
    p.up.maxSize(100);
    p.up.saveAll(0);
    EXPECT_EQ(p.fs.files.at("/srv/up/one.txt"), "first");
    EXPECT_EQ(p.fs.files.at("/srv/up/two.txt"), "second");
    p.up.onEndPage();
    EXPECT_EQ(p.fs.files.size(), 3u);  // only the saved ones
}

TEST(Upload, TemporaryWriteFailureKeepsNothing) {
    const std::string body =
        MultipartBody().file("a", "a.txt", "1").field("n", "v").file("b", "b.txt", "2").str();
    for (const bool midway : {false, true}) {
        Page p(body);
        (midway ? p.fs.failSpoolAppends : p.fs.failTemporaryWrites) = true;
        p.up.path("/srv/up");
        p.up.maxSize(10);
        p.up.upload();
        EXPECT_EQ(p.up.state(), RequestState::ServerError);
        EXPECT_EQ(p.up.count(), 0);
        EXPECT_EQ(p.up.errors(), kTempFailed + "<br>");
        p.up.saveAll(2);
        p.up.save("a", 2);
        EXPECT_EQ(p.up.errorList().back(), "a 字段不存在，不能保存");
        p.up.onEndPage();
        EXPECT_TRUE(p.fs.files.empty());
    }
}

TEST(Upload, NameMarkerInsideAValueCountsOneTooMany) {
    Page p(MultipartBody()
               .field("comment", "see form-data; name=here")
               .file("f", "a.txt", "A")
               .str());
    p.up.path("/srv/up");
    p.up.maxSize(10);
    p.up.upload();
    ASSERT_EQ(p.up.count(), 3);
    EXPECT_EQ(p.up.partsRead(), 2);
    EXPECT_EQ(p.up.form("comment").text, "see form-data; name=here");
    EXPECT_EQ(p.up.fieldName(2), "");
    // The body itself is well-formed: every part was read.
    EXPECT_EQ(p.up.errors(), "");
    EXPECT_EQ(p.up.state(), RequestState::Read);
    // The extra index has an empty name; looking up "" finds it.
    EXPECT_EQ(p.up.size(""), 0);
    p.up.saveAll(0);
    EXPECT_EQ(p.up.errorList().size(), 2u);
    EXPECT_EQ(p.up.errorList()[0], "comment" + kNotAFile);
    EXPECT_EQ(p.up.errorList()[1], kNotAFile);
    EXPECT_EQ(p.fs.files.at("/srv/up/a.txt"), "A");
}

TEST(Upload, TextFollowsTheCodePage) {
    // In GBK a high byte takes the next byte with it: "; name=" right after one is not a marker,
    // and a quote in second place is no quote.
    const std::string body = MultipartBody()
                                 .field(kZhongWen, "\xB0; name=x")
                                 .file("f", "C:\\" + kZhongWen + ".txt", "1")
                                 .field("q\xB0", "v")
                                 .str();
    Page gbk(body);
    gbk.up.upload();
    EXPECT_EQ(gbk.up.count(), 3);
    EXPECT_EQ(gbk.up.fieldName(0), "中文");
    EXPECT_EQ(gbk.up.form("中文").text, "\xEF\xBF\xBD name=x");  // 0xB0 ";" is one character
    EXPECT_EQ(gbk.up.fileName("f"), "中文.txt");
    EXPECT_EQ(gbk.up.rawPart(1).fileName, kZhongWen + ".txt");
    // 0xB0 took the closing quote along: the name keeps it.
    EXPECT_EQ(gbk.up.rawPart(2).name, "q\xB0\"");

    const std::string utf8Body = MultipartBody()
                                     .field("名字", "值; name=x")
                                     .file("f", "C:\\目录\\文件.txt", "1")
                                     .field("bad\xB0", "v")
                                     .str();
    Page utf8(utf8Body);
    utf8.up.setCodePage(CodePage::Utf8);
    utf8.up.upload();
    EXPECT_EQ(utf8.up.count(), 4);  // the marker in the value counts in UTF-8
    EXPECT_EQ(utf8.up.fieldName(0), "名字");
    EXPECT_EQ(utf8.up.fileName("f"), "文件.txt");
    EXPECT_EQ(utf8.up.fieldName(2), "bad\xEF\xBF\xBD");
    EXPECT_EQ(utf8.up.rawPart(2).name, "bad\xB0");
    // Saved under the decoded name.
    utf8.up.path("/srv/up");
    utf8.up.maxSize(10);
    utf8.up.save("f", 0);
    EXPECT_EQ(utf8.fs.files.count("/srv/up/文件.txt"), 1u);
}

TEST(Upload, MalformedBodiesStopWithADescription) {
    const std::string good = MultipartBody().field("a", "1").file("f", "x.bin", "22").str();
    struct Case {
        std::string body;
        std::int64_t partsRead;
    } cases[] = {
        {"", 0},
        {"no line break at all; name=\"a\"", 0},
        {"\r\n; name=\"a\"\r\n\r\nv\r\n", 0},                            // empty delimiter
        {"--b\r\nContent-Disposition: form-data; name=\"a", 0},          // no closing quote
        {"--b\r\nContent-Disposition: form-data; name=\"a\"", 0},        // nothing after it
        {"--b\r\n; name=\"a\"\r\n\r\nvalue without end", 0},              // no delimiter
        {"--b\r\n; name=\"a\"; filename=x\r\n\r\n1\r\n--b--", 0},        // no quoted file name
        {"--b\r\n; name=\"a\"; filename=\"x\r\n\r\n1\r\n--b--", 0},      // unclosed file name
        {"--b\r\n; name=\"a\"; filename=\"x\"\r\n1\r\n--b--", 0},        // no blank line
        {"--b\r\n; name=\"a\"; filename=\"x\"\r\n\r\n--b--", 0},         // delimiter too early
        {good.substr(0, good.size() - 30), 1},                          // truncated
    };
    for (const Case& c : cases) {
        Page p(c.body);
        p.up.path("/srv/up");
        p.up.maxSize(10);
        p.up.upload();
        EXPECT_EQ(p.up.partsRead(), c.partsRead) << c.body;
        EXPECT_EQ(p.up.state(), RequestState::Malformed) << c.body;
        ASSERT_EQ(p.up.errorList().size(), 1u) << c.body;
        EXPECT_NE(p.up.errorList()[0].find("上传内容格式错误"), std::string::npos);
        p.up.saveAll(2);
        p.up.onEndPage();
        EXPECT_TRUE(p.fs.filesIn("/tmp/").empty());
    }
}

TEST(Upload, RefusesTooLargeRequestsWithoutReadingThem) {
    const std::string body = MultipartBody().file("f", "a.txt", std::string(5000, 'z')).str();
    Page p(body);
    p.up.setRequestLimit(static_cast<std::int64_t>(body.size()) - 1);
    p.up.upload();
    EXPECT_EQ(p.request.bytesRead(), 0u);
    EXPECT_EQ(p.up.count(), 0);
    EXPECT_EQ(p.up.state(), RequestState::TooLarge);
    ASSERT_EQ(p.up.errorList().size(), 1u);
    EXPECT_NE(p.up.errorList()[0].find(std::to_string(body.size())), std::string::npos);

    EXPECT_EQ(Upload().requestLimit(), 256 << 20);
    Page exact(body);
    exact.up.setRequestLimit(static_cast<std::int64_t>(body.size()));
    exact.up.upload();
    EXPECT_EQ(exact.up.errors(), "");
    EXPECT_EQ(exact.up.size("f"), 5000);
}

TEST(Upload, NothingWorksBeforeThePageStarts) {
    Upload up;
    EXPECT_EQ(up.errors(), "");
    up.upload();
    up.saveAll(0);
    EXPECT_EQ(up.errorList().size(), 2u);
    EXPECT_EQ(up.count(), 0);
    EXPECT_EQ(up.state(), RequestState::ServerError);

    // A second upload() is refused.
    Page p(MultipartBody().field("a", "1").str());
    EXPECT_EQ(p.up.state(), RequestState::NotRead);
    p.up.upload();
    p.up.upload();
    EXPECT_EQ(p.up.form("a").text, "1");
    EXPECT_EQ(p.up.errorList().size(), 1u);
    EXPECT_EQ(p.up.state(), RequestState::Read);
}

TEST(UploadShortBodies, NothingOfAnIncompleteRequestIsKept) {
    // A client gone midway, or one announcing more than it sends: whatever came is not taken,
    // even parts that look finished.
    const std::string body = MultipartBody()
                                 .file("a", "a.txt", "first file, complete")
                                 .file("b", "b.txt", std::string(3000, 'b'))
                                 .str();
    for (const std::size_t sent : {std::size_t{0}, std::size_t{120}, body.size() - 40, body.size()}) {
        Page p(body.substr(0, sent));
        p.request.announce(static_cast<std::int64_t>(body.size()));
        p.up.path("/srv/up");
        p.up.maxSize(100000);
        p.up.upload();
        if (sent == body.size()) {
            EXPECT_EQ(p.up.state(), RequestState::Read);
            continue;
        }
        EXPECT_EQ(p.up.state(), RequestState::Incomplete) << sent;
        EXPECT_EQ(p.up.count(), 0) << sent;
        EXPECT_EQ(p.up.partsRead(), 0) << sent;
        EXPECT_EQ(p.up.errorList(),
                  std::vector<std::string>{"请求不完整：只收到 " + std::to_string(sent) + " 字节，应有 " +
                                           std::to_string(body.size()) + " 字节，没有保存任何文件"});
        p.up.saveAll(2);
        p.up.save("a", 2);
        p.up.onEndPage();
        EXPECT_TRUE(p.fs.files.empty()) << sent;  // nothing saved, nothing left behind
    }
}

TEST(UploadFailureInTheMiddle, EveryFileGetsItsOwnOutcome) {
    // The second of three files cannot be saved (a directory has its name): the others are
    // saved all the same, and each part says what became of it.
    Page p(MultipartBody()
               .file("a", "a.txt", "A")
               .file("b", "b.txt", "B")
               .field("note", "n")
               .file("c", "c.txt", "C")
               .file("d", "..", "D")
               .str());
    p.fs.directories.insert("/srv/up/b.txt");
    p.up.path("/srv/up");
    p.up.maxSize(10);
    p.up.upload();
    p.up.saveAll(2);
    EXPECT_EQ(p.fs.files.at("/srv/up/a.txt"), "A");
    EXPECT_EQ(p.fs.files.at("/srv/up/c.txt"), "C");
    EXPECT_EQ(p.up.errorList(), (std::vector<std::string>{"保存 b.txt 时出错：磁盘已满",
                                                          "note" + kNotAFile, "d" + kNotAFile}));
    EXPECT_EQ(p.up.report(0).outcome, SaveOutcome::Saved);
    EXPECT_EQ(p.up.report(1).outcome, SaveOutcome::NotSaved);
    EXPECT_EQ(p.up.report(1).reason, "保存 b.txt 时出错：磁盘已满");
    EXPECT_EQ(p.up.report(2).outcome, SaveOutcome::NotSaved);
    EXPECT_EQ(p.up.report(3).outcome, SaveOutcome::Saved);
    EXPECT_EQ(p.up.report(4).reason, "d" + kNotAFile);
    EXPECT_EQ(p.up.report(5).name, "");
    // The files went to the disk as one batch.
    EXPECT_EQ(p.fs.saveBatches, std::vector<std::size_t>{3});

    // A page that saves by name: parts it does not name were not asked for.
    Page q(MultipartBody().file("a", "a.txt", "A").file("b", "b.txt", "B").str());
    q.up.path("/srv/up");
    q.up.maxSize(10);
    q.up.upload();
    q.up.save("b", 0);
    EXPECT_EQ(q.up.report(0).outcome, SaveOutcome::NotAsked);
    EXPECT_EQ(q.up.report(1).outcome, SaveOutcome::Saved);
    q.up.save("b", 0);  // now it exists
    EXPECT_EQ(q.up.report(1).outcome, SaveOutcome::NotSaved);
    EXPECT_EQ(q.up.report(1).reason, "b.txt" + kExists);
}

TEST(UploadFailureInTheMiddle, WhatIsListedAsAFileCanBeSaved) {
    // A client file name that can never be saved is not listed as a file.
    Page p(MultipartBody()
               .file("dot", ".", "1")
               .file("dotdot", "x/..", "2")
               .file("tab", "a\tb.txt", "3")
               .file("empty", "", "4")
               .file("ok", "ok.txt", "5")
               .field("plain", "6")
               .str());
    p.up.upload();
    const std::vector<bool> expected = {false, false, false, false, true, false};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(p.up.report(static_cast<std::int64_t>(i)).isFile, expected[i]) << i;
    // The raw part still says what the body said.
    EXPECT_TRUE(p.up.rawPart(0).isFile);
}

TEST(UploadSweepShapedNames, NoClientNameLooksLikeAPartlySavedFile) {
    // Partly saved files live in a ".kavelup:..." directory; a ":" never survives in a name a
    // client or a page gives.
    EXPECT_FALSE(isFileName(".kavelup:0123456789abcdef"));
    EXPECT_FALSE(isFileName("a:b"));
    EXPECT_EQ(targetFileName(".kavelup:0123456789abcdef"), "0123456789abcdef");
    EXPECT_EQ(clientFileName(CodePage::Gbk, ".kavelup:0123456789abcdef"), "0123456789abcdef");
    // Names shaped like the partial files of other programs are ordinary names.
    EXPECT_TRUE(isFileName(".a.txt.part-0123456789abcdef"));
}

TEST(UploadStatus, EachKindOfRequestHasItsState) {
    // A field that carries a Content-Type keeps its value clean.
    const std::string json = "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n"
                             "Content-Type: application/json\r\n\r\n{}\r\n--b--\r\n";
    Page read(json);
    read.up.upload();
    EXPECT_EQ(read.up.state(), RequestState::Read);
    EXPECT_EQ(read.up.form("a").text, "{}");

    Page malformed("no boundary line");
    malformed.up.upload();
    EXPECT_EQ(malformed.up.state(), RequestState::Malformed);

    Page tooLarge(json);
    tooLarge.up.setRequestLimit(10);
    tooLarge.up.upload();
    EXPECT_EQ(tooLarge.up.state(), RequestState::TooLarge);

    Page noTemp(json);
    noTemp.fs.temporaryFolderPath = "relative";
    noTemp.up.upload();
    EXPECT_EQ(noTemp.up.state(), RequestState::ServerError);

    // A default directory that is no absolute path is the server's fault too.
    Page noDefault(MultipartBody().file("f", "f.txt", "1").str());
    noDefault.fs.defaultUploadPath = "";
    noDefault.up.maxSize(10);
    noDefault.up.upload();
    EXPECT_EQ(noDefault.up.state(), RequestState::Read);
    noDefault.up.saveAll(0);
    EXPECT_EQ(noDefault.up.state(), RequestState::ServerError);
}

TEST(UploadCodePage, CountsMarkersWhereverTheyFall) {
    const std::string marker = "; name=";
    for (std::size_t at = 0; at + marker.size() <= 70; ++at) {
        std::string s(70, 'x');
        s.replace(at, marker.size(), marker);
        EXPECT_EQ(countText(CodePage::Gbk, s, marker), 1u) << at;
        if (at == 0) continue;
        std::string taken = s;
        taken[at - 1] = '\xB0';  // takes the ";" along in GBK
        EXPECT_EQ(countText(CodePage::Gbk, taken, marker), 0u) << at;
        EXPECT_EQ(countText(CodePage::Utf8, taken, marker), 1u) << at;
        // Two high bytes pair off.
        std::string paired = taken;
        if (at >= 2) {
            paired[at - 2] = '\xB0';
            EXPECT_EQ(countText(CodePage::Gbk, paired, marker), 1u) << at;
        }
        // Arriving in pieces of every size, the text gives the same counts, however the
        // pieces cut the marker or the run of high bytes before it.
        for (std::size_t piece = 1; piece < 20; ++piece) {
            for (const std::string* text : {&s, &taken, &paired}) {
                TextCounter counter(CodePage::Gbk, marker);
                for (std::size_t n = 0; n < text->size(); n += piece) counter.update(text->substr(n, piece));
                EXPECT_EQ(counter.count(), countText(CodePage::Gbk, *text, marker))
                    << at << " " << piece;
            }
        }
    }
    EXPECT_EQ(countText(CodePage::Gbk, std::string(40, ';') + "; name=; name=" + std::string(40, ' '),
                        marker),
              2u);
}

TEST(UploadCodePage, CharacterStartsAndDecoding) {
    EXPECT_TRUE(startsCharacter(CodePage::Gbk, "\xB0\xB0;", 2));
    EXPECT_FALSE(startsCharacter(CodePage::Gbk, "a\xB0;", 2));
    EXPECT_TRUE(startsCharacter(CodePage::Utf8, "a\xB0;", 2));
    EXPECT_EQ(countText(CodePage::Gbk, "x; a\x81; a; a", "; a"), 2u);
    EXPECT_EQ(removeText(CodePage::Gbk, "\"a\x81\"\"", "\""), "a\x81\"");
    EXPECT_EQ(findLastText(CodePage::Gbk, "a\\\x95\\b", "\\"), 1u);  // 0x95 0x5C is one character
    EXPECT_EQ(toUtf8(CodePage::Utf8, "ok\xE4\xB8\xAD\xE4\xB8"), "ok中\xEF\xBF\xBD\xEF\xBF\xBD");
    // A pair that is no GBK character is one replacement, whatever its second byte.
    EXPECT_EQ(toUtf8(CodePage::Gbk, "\x81/\xD6\xD0\xFF\x41\xAA\xA1z\x81"),
              "\xEF\xBF\xBD中\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(CodePage::Gbk, "a\x80/b"), "a\xEF\xBF\xBD" "b");  // iconv alone: "a€/b"
    CodePage cp;
    EXPECT_TRUE(parseCodePage("UTF-8", cp));
    EXPECT_EQ(cp, CodePage::Utf8);
    EXPECT_TRUE(parseCodePage("cp936", cp));
    EXPECT_EQ(cp, CodePage::Gbk);
    EXPECT_FALSE(parseCodePage("latin1", cp));
}

}  // namespace

TEST(UploadServerFaults, NoFileSavedBecauseOfTheServerIsTheServersFault) {
    // Every copy fails (a full disk): each file says so, and the server is to blame.
    Page full(MultipartBody().file("a", "a.txt", "A").file("b", "b.txt", "B").field("n", "1").str());
    full.fs.failCopies = true;
    full.up.path("/srv/up");
    full.up.maxSize(10);
    full.up.upload();
    full.up.saveAll(0);
    EXPECT_TRUE(full.up.serverKeptFiles());
    EXPECT_TRUE(full.up.report(0).serverFault);
    EXPECT_FALSE(full.up.report(2).serverFault);  // a plain field is the client's business
    EXPECT_EQ(full.up.report(0).reason, "保存 a.txt 时出错：磁盘已满");
    EXPECT_EQ(full.up.serverFaults(),
              (std::vector<ServerFault>{{ServerFault::Kind::Saving, "/srv/up/：磁盘已满"}}));

    // The directory to save in is missing: named once, whatever the number of files.
    Page missing(MultipartBody().file("a", "a.txt", "A").file("b", "b.txt", "B").str());
    missing.fs.failCopies = true;
    missing.up.path("/srv/gone");
    missing.up.maxSize(10);
    missing.up.upload();
    missing.up.saveAll(0);
    EXPECT_EQ(missing.up.serverFaults(),
              (std::vector<ServerFault>{{ServerFault::Kind::TargetDirectory, "/srv/gone/"}}));

    // One file saved: the request went through, with one file that did not.
    Page partly(MultipartBody().file("a", "a.txt", "A").file("b", "b.txt", "B").str());
    partly.fs.directories.insert("/srv/up/b.txt");
    partly.up.path("/srv/up");
    partly.up.maxSize(10);
    partly.up.upload();
    partly.up.saveAll(2);
    EXPECT_FALSE(partly.up.serverKeptFiles());
    EXPECT_TRUE(partly.up.report(1).serverFault);

    // Refusals for the client's reasons are no fault of the server.
    Page client(MultipartBody().file("a", "a.txt", "too long").file("b", "..", "B").str());
    client.up.path("/srv/up");
    client.up.maxSize(3);
    client.up.upload();
    client.up.saveAll(0);
    EXPECT_FALSE(client.up.serverKeptFiles());
    EXPECT_TRUE(client.up.serverFaults().empty());
}

TEST(UploadServerFaults, AMaximumSizeNeverSetRefusesEveryFileAsTheServersFault) {
    Page p(MultipartBody().file("a", "a.txt", "A").field("n", "1").str());
    p.up.path("/srv/up");
    p.up.upload();
    p.up.save("a", 0);
    // The message stays the one a page without MaxSize always got.
    EXPECT_EQ(p.up.errorList(), std::vector<std::string>{"a" + kTooLarge});
    EXPECT_TRUE(p.up.serverKeptFiles());
    EXPECT_EQ(p.up.serverFaults(), (std::vector<ServerFault>{{ServerFault::Kind::NoSizeLimit, ""}}));

    // Set to 0 by the page itself, it is the page's rule.
    Page zero(MultipartBody().file("a", "a.txt", "A").str());
    zero.up.path("/srv/up");
    zero.up.maxSize(0);
    zero.up.upload();
    zero.up.saveAll(0);
    EXPECT_FALSE(zero.up.serverKeptFiles());
    EXPECT_TRUE(zero.up.serverFaults().empty());

    // A request without files has nothing the server could keep.
    Page fields(MultipartBody().field("n", "1").str());
    fields.up.path("/srv/up");
    fields.up.upload();
    fields.up.saveAll(0);
    EXPECT_FALSE(fields.up.serverKeptFiles());
}

TEST(UploadServerFaults, ATemporaryFolderThatCannotBeUsedIsNamedWithItsReason) {
    Page p(MultipartBody().file("a", "a.txt", "A").str());
    p.fs.failTemporaryWrites = true;
    p.up.upload();
    EXPECT_EQ(p.up.state(), RequestState::ServerError);
    EXPECT_EQ(p.up.errorList(), std::vector<std::string>{kTempFailed});
    ASSERT_EQ(p.up.serverFaults().size(), 1u);
    EXPECT_EQ(p.up.serverFaults()[0].kind, ServerFault::Kind::TemporaryFolder);
    EXPECT_EQ(p.up.serverFaults()[0].detail, "/tmp/：创建目录 /tmp/ 时出错");
}
