// System errors said in Chinese, as the messages of the programs show them.

#include <cerrno>
#include <future>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

TEST(SystemError, CommonErrorsInChineseOthersByNumber) {
    EXPECT_EQ(platform::systemErrorText(ENOENT), "文件或目录不存在");
    EXPECT_EQ(platform::systemErrorText(EACCES), "没有访问权限");
    EXPECT_EQ(platform::systemErrorText(ENOSPC), "磁盘空间不足");
    EXPECT_EQ(platform::systemErrorText(EROFS), "只读文件系统");
    EXPECT_EQ(platform::systemErrorText(4242), "系统错误（错误号 4242）");
    // Through error codes of either category, and in the programs' one-line descriptions.
    EXPECT_EQ(platform::systemErrorText(std::error_code(EISDIR, std::system_category())), "这是一个目录");
    EXPECT_EQ(platform::describe(std::make_error_code(std::errc::permission_denied)), "没有访问权限");
    // Errors that are not the system's keep their own words.
    const std::error_code other = std::make_error_code(std::future_errc::no_state);
    EXPECT_EQ(platform::systemErrorText(other), other.message());
}
