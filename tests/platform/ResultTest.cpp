// Results of operations that can fail: what a caller asks and what the user is told.

#include <cerrno>
#include <memory>
#include <string>
#include <system_error>
#include <type_traits>

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "platform/Result.h"

using platform::Error;
using platform::Result;

// No truth value: a result read as a bool would mean success for one reader and failure for
// another.
static_assert(!std::is_constructible_v<bool, Result<>>);
static_assert(!std::is_constructible_v<bool, Result<int>>);

TEST(Result, AFailureKeepsItsCodeAndTellsTheUserWhy) {
    const Result<> done = std::error_code();
    EXPECT_TRUE(done.ok());
    EXPECT_EQ(done.message(), "");

    // A failure from the system alone says what the system says, in the users' words.
    const Result<> refused = std::error_code(EACCES, std::generic_category());
    EXPECT_TRUE(refused.failed());
    EXPECT_EQ(refused.error(), std::errc::permission_denied);
    EXPECT_EQ(refused.message(), "没有访问权限");

    // A message given goes to the user as it is; the code stays for the caller to tell cases
    // apart (a read-only file is offered another name).
    const Result<> readOnly =
        Error(platform::FileError::readOnly, "无法保存文件 a.hcd: 文件是只读的");
    EXPECT_TRUE(readOnly.failed());
    EXPECT_EQ(readOnly.error(), platform::FileError::readOnly);
    EXPECT_EQ(readOnly.message(), "无法保存文件 a.hcd: 文件是只读的");

    // An error of the program's own fails though no system call did.
    const Result<> own = Error(std::string("文档还没有文件名"));
    EXPECT_TRUE(own.failed());
    EXPECT_EQ(own.message(), "文档还没有文件名");
}

TEST(Result, AValueOnlyWhenItWorked) {
    Result<std::unique_ptr<int>> made = std::make_unique<int>(7);
    ASSERT_TRUE(made.ok());
    EXPECT_FALSE(made.error());
    std::unique_ptr<int> taken = std::move(made.value());
    EXPECT_EQ(*taken, 7);

    const Result<std::string> missing = std::make_error_code(std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.failed());
    EXPECT_EQ(missing.message(), "文件或目录不存在");
    const Result<std::string> bad = Error(std::string("不是 PCF 文件"));
    EXPECT_TRUE(bad.failed());
    EXPECT_EQ(bad.message(), "不是 PCF 文件");
}
