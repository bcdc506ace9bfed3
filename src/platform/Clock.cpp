#include "platform/Clock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

std::optional<std::time_t> pinnedTime() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (!value || !*value) return std::nullopt;
    const std::size_t n = std::strlen(value);
    // Eleven digits reach past the year 5000: enough, and never an overflow.
    if (n > 11 || std::strspn(value, "0123456789") != n) return std::nullopt;
    return static_cast<std::time_t>(std::strtoll(value, nullptr, 10));
}

Clock::time_point now() {
    if (const auto pinned = pinnedTime()) return Clock::from_time_t(*pinned);
    return Clock::now();
}

CalendarTime calendarTime(Clock::time_point t) {
    const std::time_t seconds = Clock::to_time_t(t);
    std::tm fields{};
    CalendarTime out;
    if (pinnedTime()) {
        gmtime_r(&seconds, &fields);
    } else {
        localtime_r(&seconds, &fields);
        out.utcOffsetSeconds = fields.tm_gmtoff;
    }
    out.year = fields.tm_year + 1900;
    out.month = fields.tm_mon + 1;
    out.day = fields.tm_mday;
    out.hour = fields.tm_hour;
    out.minute = fields.tm_min;
    out.second = fields.tm_sec;
    return out;
}

CalendarTime calendarNow() { return calendarTime(now()); }

void followPinnedClock() {
    if (!pinnedTime()) return;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
}

std::string isoDateTime(const CalendarTime& t) {
    char buffer[48];
    int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                          t.hour, t.minute, t.second);
    if (t.utcOffsetSeconds == 0) {
        std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "Z");
    } else {
        const long offset = t.utcOffsetSeconds < 0 ? -t.utcOffsetSeconds : t.utcOffsetSeconds;
        std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%c%02ld:%02ld",
                      t.utcOffsetSeconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
    }
    return buffer;
}

}  // namespace platform
