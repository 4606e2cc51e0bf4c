// DOS times: packing a civil time (two-second steps, the 1980-2107 span) and the
// conversion of a file's modification time through the local time zone.

#include "payload/dos_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using vozip::CivilTime;
using vozip::DosRange;

TEST(DosTime, PacksTruncatesAndClampsCivilTimes) {
  struct Case {
    CivilTime time;
    uint32_t value;
    DosRange range;
  };
  const Case cases[] = {
      {{1980, 1, 1, 0, 0, 0}, 0x00210000, DosRange::kInside},
      {{1980, 1, 1, 0, 0, 1}, 0x00210000, DosRange::kInside},  // odd second: truncated
      {{2024, 5, 17, 13, 45, 59}, 0x58B16DBD, DosRange::kInside},
      {{2107, 12, 31, 23, 59, 59}, 0xFF9FBF7D, DosRange::kInside},
      {{1979, 12, 31, 23, 59, 59}, 0x00210000, DosRange::kBefore1980},
      {{1970, 1, 1, 0, 0, 0}, 0x00210000, DosRange::kBefore1980},
      {{2108, 1, 1, 0, 0, 0}, 0xFF9FBF7D, DosRange::kAfter2107},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(vozip::FormatCivilTime(c.time));
    DosRange range;
    EXPECT_EQ(vozip::PackDosTime(c.time, &range), c.value);
    EXPECT_EQ(range, c.range);
  }
}

TEST(DosTime, UnpacksEveryField) {
  const CivilTime time = vozip::UnpackDosTime(0x58B16DBD);
  EXPECT_EQ(vozip::FormatCivilTime(time), "2024-05-17 13:45:58");
  EXPECT_EQ(vozip::FormatCivilTime(vozip::UnpackDosTime(0xFF9FBF7D)), "2107-12-31 23:59:58");
}

#if !defined(_WIN32)
// Sets TZ for one test and puts the old value back.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(DosTime, FileTimesGoThroughTheLocalZoneWithThatDatesRule) {
  // Central European time: UTC+1 in winter, UTC+2 in summer.
  ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
  struct Case {
    int64_t seconds;
    const char* local;
    DosRange range;
  };
  const Case cases[] = {
      {1705320001, "2024-01-15 13:00:00", DosRange::kInside},         // 12:00:01 UTC, winter
      {1721044800, "2024-07-15 14:00:00", DosRange::kInside},         // 12:00:00 UTC, summer
      {315532800, "1980-01-01 01:00:00", DosRange::kInside},          // first second of 1980 UTC
      {315529200 - 1, "1980-01-01 00:00:00", DosRange::kBefore1980},  // 1979 locally
      {0, "1980-01-01 00:00:00", DosRange::kBefore1980},
      {-86400LL * 365 * 100, "1980-01-01 00:00:00", DosRange::kBefore1980},
      {4354815600LL - 1, "2107-12-31 23:59:58", DosRange::kInside},  // last second of 2107 locally
      {4354815600LL, "2107-12-31 23:59:58", DosRange::kAfter2107},
      {INT64_MAX, "2107-12-31 23:59:58", DosRange::kAfter2107},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    uint32_t value = 0;
    DosRange range;
    ASSERT_TRUE(vozip::DosTimeFromUnixSeconds(c.seconds, &value, &range));
    EXPECT_EQ(vozip::FormatCivilTime(vozip::UnpackDosTime(value)), c.local);
    EXPECT_EQ(range, c.range);
  }
}

TEST(DosTime, SameInstantDiffersByTheZoneOffset) {
  uint32_t utc = 0;
  uint32_t tokyo = 0;
  DosRange range;
  {
    ZoneScope zone("UTC0");
    ASSERT_TRUE(vozip::DosTimeFromUnixSeconds(1721044800, &utc, &range));
  }
  {
    ZoneScope zone("JST-9");
    ASSERT_TRUE(vozip::DosTimeFromUnixSeconds(1721044800, &tokyo, &range));
  }
  EXPECT_EQ(vozip::FormatCivilTime(vozip::UnpackDosTime(utc)), "2024-07-15 12:00:00");
  EXPECT_EQ(vozip::FormatCivilTime(vozip::UnpackDosTime(tokyo)), "2024-07-15 21:00:00");
}
#endif

}  // namespace
