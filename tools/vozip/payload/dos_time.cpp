#include "payload/dos_time.h"

#include <cstdio>

#include "payload/host_fs.h"

namespace vozip {
namespace {

constexpr int64_t k1980Utc = 315532800;   // 1980-01-01 00:00:00 UTC
constexpr int64_t k2108Utc = 4354819200;  // 2108-01-01 00:00:00 UTC
// Local time lies within a day of UTC; beyond that margin the answer is known.
constexpr int64_t kZoneMargin = 2 * 86400;

}  // namespace

uint32_t PackDosTime(const CivilTime& time, DosRange* range) {
  *range = DosRange::kInside;
  if (time.year < 1980) {
    *range = DosRange::kBefore1980;
    return kFirstDosTime;
  }
  if (time.year > 2107) {
    *range = DosRange::kAfter2107;
    return kLastDosTime;
  }
  const uint32_t date = (static_cast<uint32_t>(time.year - 1980) << 9) |
                        (static_cast<uint32_t>(time.month) << 5) | static_cast<uint32_t>(time.day);
  const uint32_t clock = (static_cast<uint32_t>(time.hour) << 11) |
                         (static_cast<uint32_t>(time.minute) << 5) |
                         static_cast<uint32_t>(time.second / 2);
  return (date << 16) | clock;
}

CivilTime UnpackDosTime(uint32_t value) {
  const uint32_t date = value >> 16;
  const uint32_t clock = value & 0xFFFF;
  CivilTime time;
  time.year = static_cast<int>(1980 + (date >> 9));
  time.month = static_cast<int>((date >> 5) & 15);
  time.day = static_cast<int>(date & 31);
  time.hour = static_cast<int>(clock >> 11);
  time.minute = static_cast<int>((clock >> 5) & 63);
  time.second = static_cast<int>((clock & 31) * 2);
  return time;
}

std::string FormatCivilTime(const CivilTime& time) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

bool DosTimeFromUnixSeconds(int64_t seconds, uint32_t* value, DosRange* range) {
  if (seconds < k1980Utc - kZoneMargin) {
    *range = DosRange::kBefore1980;
    *value = kFirstDosTime;
    return true;
  }
  if (seconds > k2108Utc + kZoneMargin) {
    *range = DosRange::kAfter2107;
    *value = kLastDosTime;
    return true;
  }
  CivilTime local;
  if (!host::LocalTime(seconds, &local)) return false;
  *value = PackDosTime(local, range);
  return true;
}

}  // namespace vozip
