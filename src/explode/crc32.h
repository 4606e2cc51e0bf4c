// CRC-32 running value (the reflected polynomial 0xEDB88320 of Zip and Ethernet).
//
// UpdateCrc32 neither presets nor complements: callers preset 0xFFFFFFFF and compare
// the final running value as it stands, so stored checksums are the complement of
// the usual CRC-32 ("abc" gives 0xCADBBE3D, not 0x352441C2).
#pragma once

#include <cstdint>

constexpr uint32_t kCrc32Preset = 0xFFFFFFFF;

// Continues *running over count bytes at data and returns the new value; *running is
// only read. count is a pointer because the decoder's write procedure receives its
// block size that way.
uint32_t UpdateCrc32(const uint8_t* data, const uint32_t* count, const uint32_t* running);
