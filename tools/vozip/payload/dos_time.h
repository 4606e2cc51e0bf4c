// DOS date/time values, the time stamp of every archive entry.
//
// 32 bits of local time: the high 16 bits are the date (day in bits 0-4, month in
// bits 5-8, years since 1980 in bits 9-15), the low 16 bits the time (seconds / 2 in
// bits 0-4, minutes in bits 5-10, hours in bits 11-15). So the format spans
// 1980-01-01 00:00:00 to 2107-12-31 23:59:58 in steps of two seconds, and carries no
// time zone: the setup reads it back as the local time of the machine it runs on.
#pragma once

#include <cstdint>
#include <string>

namespace vozip {

struct CivilTime {
  int year;
  int month;  // 1-12
  int day;    // 1-31
  int hour;
  int minute;
  int second;
};

constexpr uint32_t kFirstDosTime = 0x00210000;  // 1980-01-01 00:00:00
constexpr uint32_t kLastDosTime = 0xFF9FBF7D;   // 2107-12-31 23:59:58

enum class DosRange { kInside, kBefore1980, kAfter2107 };

// Packs a civil time. An odd second is truncated to the even second below it, as
// Windows does when it turns a file time into a DOS time: a stored time is then never
// later than the file's own, so an extracted file never looks newer than its
// source. A time outside the format's span is clamped to its first or last value,
// and *range says which way.
uint32_t PackDosTime(const CivilTime& time, DosRange* range);

CivilTime UnpackDosTime(uint32_t value);

// "YYYY-MM-DD HH:MM:SS".
std::string FormatCivilTime(const CivilTime& time);

// The DOS time of a file modified at the given time (seconds since 1970-01-01 UTC),
// through the local time zone of this machine (the TZ environment variable where it
// applies). Times far outside the format's span are clamped without asking the
// system, whose conversions do not all reach that far. False only when the system
// cannot convert the time.
bool DosTimeFromUnixSeconds(int64_t seconds, uint32_t* value, DosRange* range);

}  // namespace vozip
