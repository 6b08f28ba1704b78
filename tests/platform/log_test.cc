#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// A line's stamp is its local time to the millisecond; one thread's stamps, taken in any
// order, each show their own time (the time of day is worked out once a second).
TEST(LogStamp, EachStampShowsItsOwnTime) {
    setenv("TZ", "UTC", 1);
    tzset();
    const struct {
        uint64_t wallUs;
        const char *text;
    } kCases[] = {
        {0, "1970-01-01 00:00:00.000"},
        {999, "1970-01-01 00:00:00.000"},
        {1500000, "1970-01-01 00:00:01.500"},
        {1999999, "1970-01-01 00:00:01.999"},
        {2000000, "1970-01-01 00:00:02.000"},
        {1500000, "1970-01-01 00:00:01.500"},
        {1798761599123000, "2026-12-31 23:59:59.123"},
        {1798761600000000, "2027-01-01 00:00:00.000"},
    };
    for (const auto &c : kCases) EXPECT_EQ(logTimeText(c.wallUs), c.text) << c.wallUs;
}

}  // namespace
