// The one clock: SOURCE_DATE_EPOCH pins it and makes its dates UTC; anything else in the
// variable leaves the system clock running.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/Clock.h"

namespace {

// Sets an environment variable for one test and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
        ::tzset();
    }
    ~ScopedEnv() {
        had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_);
        ::tzset();
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace

TEST(Clock, APinnedClockGivesItsSecondsAsUtcInEveryZone) {
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1796688000");
    for (const char* zone : {"UTC", "Asia/Shanghai", "America/Los_Angeles"}) {
        ScopedEnv tz("TZ", zone);
        EXPECT_EQ(platform::Clock::to_time_t(platform::now()), 1796688000);
        const platform::CalendarTime t = platform::calendarNow();
        EXPECT_EQ(t.year, 2026);
        EXPECT_EQ(t.month, 12);
        EXPECT_EQ(t.day, 8);
        EXPECT_EQ(t.hour, 0);
        EXPECT_EQ(t.utcOffsetSeconds, 0);
        EXPECT_EQ(platform::isoDateTime(t), "2026-12-08T00:00:00Z") << zone;
    }
}

TEST(Clock, OnlyAPlainNumberOfSecondsPinsIt) {
    for (const char* bad : {"", "-5", "1e9", " 17", "17 ", "0x10", "123456789012", "nan"}) {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", bad);
        EXPECT_FALSE(platform::pinnedTime().has_value()) << '"' << bad << '"';
        // The real clock, then: somewhere after this test was written.
        EXPECT_GT(platform::Clock::to_time_t(platform::now()), 1796688000 - 86400 * 400) << bad;
    }
    ScopedEnv zero("SOURCE_DATE_EPOCH", "0");
    EXPECT_EQ(platform::pinnedTime(), std::time_t{0});
    EXPECT_EQ(platform::isoDateTime(platform::calendarNow()), "1970-01-01T00:00:00Z");
}

TEST(Clock, TheRealClockIsLocalTimeWithItsOffset) {
    ScopedEnv epoch("SOURCE_DATE_EPOCH", nullptr);
    ScopedEnv tz("TZ", "Asia/Shanghai");
    const auto t = platform::calendarTime(platform::Clock::from_time_t(1796688000));
    EXPECT_EQ(t.hour, 8);
    EXPECT_EQ(t.utcOffsetSeconds, 8 * 3600);
    EXPECT_EQ(platform::isoDateTime(t), "2026-12-08T08:00:00+08:00");
    ScopedEnv west("TZ", "America/St_Johns");  // an offset of hours and a half, before UTC
    EXPECT_EQ(platform::isoDateTime(platform::calendarTime(platform::Clock::from_time_t(1796688000))),
              "2026-12-07T20:30:00-03:30");
}
