#include "archive/progress_percent.h"

namespace {

// A quotient with its remainder, which stays below the divisor.
struct Division {
  uint64_t quotient;
  uint64_t remainder;
};

// Adds addend (below divisor) to the remainder, carrying into the quotient. It
// compares with divisor - remainder, so no sum can leave 64 bits.
Division AddBelow(Division value, uint64_t addend, uint64_t divisor) {
  const uint64_t room = divisor - value.remainder;
  if (addend >= room) return {value.quotient + 1, addend - room};
  return {value.quotient, value.remainder + addend};
}

constexpr uint64_t kPercentLimit = 0x7FFFFFFF;

}  // namespace

int32_t ProgressPercent(uint64_t position, uint64_t length) {
  const uint64_t divisor = length > 0 ? length : 1;
  const uint64_t whole = position / divisor;
  const uint64_t part = position % divisor;
  if (whole >= kPercentLimit / 100) return static_cast<int32_t>(kPercentLimit);
  // 100 x part / divisor, built over the bits of 100 from the top: double, then add
  // part where 100 has a 1.
  Division scaled = {0, 0};
  for (int bit = 6; bit >= 0; --bit) {
    scaled = AddBelow({2 * scaled.quotient, scaled.remainder}, scaled.remainder, divisor);
    if (((100 >> bit) & 1) != 0) scaled = AddBelow(scaled, part, divisor);
  }
  uint64_t percent = 100 * whole + scaled.quotient;
  // Round: the fraction is remainder / divisor; a half exactly goes to the even side.
  const uint64_t to_next = divisor - scaled.remainder;
  if (scaled.remainder > to_next || (scaled.remainder == to_next && (percent & 1) != 0)) {
    ++percent;
  }
  return static_cast<int32_t>(percent);
}
