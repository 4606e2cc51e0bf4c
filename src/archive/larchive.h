// The setup archive and its extractor.
//
// An archive file is a body of entries, one after another, scrambled as one stream
// (archive/oencript.h), then a 4-byte CRC-32 running value (preset 0xFFFFFFFF, not
// complemented) of the unscrambled body, itself not scrambled. No header, no
// directory: entries are read for as long as body bytes are left. All integers are
// little-endian. An entry, inside the unscrambled body:
//
//   2 bytes      name length N
//   N bytes      name: the path below the destination folder, folders split by "\"
//   20 bytes     EntryHeader (below)
//   PackedSize   the file's content as one implode stream
//
// An empty file is carried with OriginalSize 0, PackedSize 4 and Crc 0xFFFFFFFF: a
// stream of its two header bytes and the end-of-stream marker.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_entry.h"
#include "platform/text.h"

constexpr size_t kArchiveChecksumSize = 4;

// Results of ExtractArchive. -4 is not used.
enum : int32_t {
  kExtractOk = 0,
  kExtractArchiveUnavailable = -1,  // no archive path, or it cannot be opened read/write
  kExtractOutputUnavailable = -2,   // no destination, or an output file cannot be created
  kExtractIoFailed = -3,            // a read or write failed while unscrambling or decoding
  kExtractChecksumMismatch = -5,    // the body does not match the archive's checksum
  kExtractEntryInvalid = -6,        // an entry failed its checks (see ExtractArchive)
};

// Called before each entry is decoded, after every block the decoder hands over (every
// 4,096 bytes and once at the end of the entry), both with the entry's full output
// path and the entry's percent, and once after the last entry with that path (empty
// when there was no entry) and 100. Never after a failure.
using ExtractProgressProc = void (*)(const char* file_name, int32_t percent);

// Unpacks the archive file into destination. The archive is unscrambled in place
// with key (null or empty: the empty key) while its checksum is checked, then every
// entry is decoded into destination + "\" + name (trailing "\" of destination are
// dropped; the folders of the name are created as needed), checked for length and
// CRC, and given its stored time (local time) and attributes. A file of the same
// name is replaced, even a read-only one.
//
// The archive file is deleted at the end, on success and failure alike, unless the
// archive path or the destination was missing (null or empty). On a failure the
// files before the failing entry stay complete; the failing one stays as written.
//
// Beyond the checks of length and CRC, an entry is refused with
// kExtractEntryInvalid before anything is created for it when its name is empty,
// holds a zero byte or a ":", begins with "\" or "/", or has a part made only of dots
// and spaces (such as ".."): such a name would leave the destination folder. So is
// an entry that does not fit in the body, and one whose stream writes more bytes than
// its OriginalSize (the decoder is stopped there, so a damaged entry cannot fill the
// disk). A name whose full path is longer than the system takes fails with
// kExtractOutputUnavailable before its folders are made.
//
// Not re-entrant: the extraction state is module-wide and progress is called from
// inside.
int32_t ExtractArchive(const char* archive_path, const char* destination, const char* key,
                       ExtractProgressProc progress);

// The archive path made complete: a path without a folder part gets the current
// folder in front ("\" between), a path without an extension gets
// default_extension. ExtractArchive uses ".voz".
Text CompleteArchivePath(const Text& path, const char* default_extension);
