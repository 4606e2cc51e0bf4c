// Reads setup files and archives without changing them: where the archive starts,
// its entries, its checksum, and (for 'vozip test') whether every entry decodes to
// the content its header promises.
//
// An archive is its body (the entries, scrambled as one stream) followed by a 4-byte
// checksum: the CRC-32 running value (preset 0xFFFFFFFF, not complemented) of the
// unscrambled body. An entry is a 16-bit name length, the name, a 20-byte header
// (DOS time, original size, attributes, packed size, CRC of the content) and the
// implode stream. All integers are little-endian. A setup file is the setup program
// followed by the 24-byte marker and an archive.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vozip {

// The upper-case marker the setup searches its own file for.
constexpr char kPayloadMarker[] = "<VOZIP FILE BEGINS HERE>";
constexpr size_t kPayloadMarkerLength = 24;

// Finds the first occurrence of the marker, as the setup does. *found false: none.
bool FindPayloadMarker(std::FILE* file, bool* found, uint64_t* marker_offset, std::string* error);

struct ArchiveEntry {
  std::string name;  // Windows-1252, "\" between folders
  uint32_t dos_time = 0;
  uint32_t original_size = 0;
  uint32_t attributes = 0;
  uint32_t packed_size = 0;
  uint32_t crc = 0;
};

// Results as the setup's extractor gives them, so that 'test' and 'extract' agree.
enum ArchiveResult : int {
  kArchiveOk = 0,
  kArchiveCannotOpen = -1,   // the file cannot be opened or read
  kArchiveReadFailed = -3,   // a read failed part-way
  kArchiveBadChecksum = -5,  // the checksum does not match the unscrambled body
  kArchiveBadEntry = -6,     // an entry failed its checks
};

struct InspectOptions {
  std::string key;      // the scramble key; empty when the archive has none
  bool decode = false;  // decode every stream and check it against its header
  // Called now and then with body bytes read so far and the body's length.
  std::function<void(uint64_t done, uint64_t total)> progress;
};

struct InspectReport {
  int result = kArchiveOk;
  std::string problem;                // one line when result is not 0
  bool setup_file = false;            // the marker was found
  uint64_t archive_offset = 0;        // where the archive begins in the file
  uint64_t archive_size = 0;          // its length, checksum included
  std::vector<ArchiveEntry> entries;  // complete entries, in order
};

// Reads the archive in FILE (behind the marker when there is one) in one pass. A
// checksum mismatch outranks any fault of an entry, as in the extractor, which
// checks the whole archive before it writes anything.
InspectReport InspectArchive(const std::string& path, const InspectOptions& options);

// Why the setup's extractor would refuse this name; empty when it writes it. A name
// must stay inside the destination folder: not empty, no zero byte, no leading "\"
// or "/", no drive letter or other colon, no part made only of dots and spaces
// (Windows trims those, so "..", "..." and ". ." all mean the parent folder).
std::string UnsafeNameProblem(const std::string& name);

}  // namespace vozip
