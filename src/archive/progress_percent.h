// The extractor's progress value: how far into the archive file an entry's stream
// begins, in percent.
#pragma once

#include <cstdint>

// position x 100 / max(length, 1), rounded to the nearest integer, halves to even.
// Exact for every 64-bit position and length: no intermediate product can overflow.
int32_t ProgressPercent(uint64_t position, uint64_t length);
