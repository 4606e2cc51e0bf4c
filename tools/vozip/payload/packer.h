// Writes the archive of a scanned folder: each file compressed on its own, with its
// DOS time and attributes, in the order of the scan.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "payload/attributes.h"
#include "payload/folder_scan.h"

namespace vozip {

struct PackOptions {
  int level = 6;    // 1 (fastest) to 9 (smallest)
  std::string key;  // scramble key; empty for setup files
  std::vector<AttributeRule> attribute_rules;
  // SOURCE_DATE_EPOCH: file times later than this are stored as this.
  bool clamp_times = false;
  int64_t clamp_seconds = 0;
  // Where the streams of large files wait until their header can be written.
  std::string scratch_folder = ".";
  std::function<void(uint64_t done, uint64_t total)> progress;  // bytes read so far
  std::function<void(const std::string& message)> warn;
};

// Files up to this size are compressed in memory; larger ones through a scratch
// file, so memory stays bounded whatever the file size.
constexpr uint64_t kInMemoryStreamLimit = 8u << 20;

// Writes the archive of 'items' to 'out' at its current position and gives its
// length. False with *error naming the file when a file cannot be read or does not
// fit the format.
bool WriteArchive(const std::vector<PackItem>& items, PackOptions* options, std::FILE* out,
                  uint64_t* archive_size, std::string* error);

// Parses SOURCE_DATE_EPOCH: decimal seconds since 1970-01-01 UTC.
bool ParseSourceDateEpoch(const std::string& text, int64_t* seconds);

}  // namespace vozip
