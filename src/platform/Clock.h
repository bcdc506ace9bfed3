#pragma once
// The one clock of everything the programs write: the dates of new title blocks, the dates in
// PDF and workbook metadata, the time stamp of a recorded session, recovery copies.
//
// It follows the reproducible-builds convention: when SOURCE_DATE_EPOCH holds a number of
// seconds since 1970-01-01 UTC, that is "now", and dates are taken in UTC, so the same input
// gives the same bytes on any day, in any time zone. Otherwise it is the system clock and the
// user's local time. The test suite pins it; users never set it.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

namespace platform {

using Clock = std::chrono::system_clock;

// The seconds SOURCE_DATE_EPOCH pins the clock to, if it is set to a plain decimal number of
// at most 11 digits; anything else leaves the real clock running.
std::optional<std::time_t> pinnedTime();

// The current time.
Clock::time_point now();

// `t` broken down into calendar fields: in UTC while the clock is pinned, else in local time.
// `utcOffsetSeconds` is what was added to UTC (0 while pinned).
struct CalendarTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    long utcOffsetSeconds = 0;
};
CalendarTime calendarTime(Clock::time_point t);
CalendarTime calendarNow();

// While the clock is pinned, makes the process's local time UTC too, so that what a library
// dates by itself (Qt's PDF writer) is written the same in every time zone. Called at start.
void followPinnedClock();

// "2026-12-09T11:30:05+08:00" (ISO 8601 with the offset, "Z" for UTC).
std::string isoDateTime(const CalendarTime& t);

}  // namespace platform
