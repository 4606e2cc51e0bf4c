#include "archive/larchive.h"

#include "archive/fs_helpers.h"
#include "archive/oencript.h"
#include "archive/progress_percent.h"
#include "explode/crc32.h"
#include "explode/explode.h"
#include "platform/file.h"

namespace {

constexpr char kDefaultExtension[] = ".voz";

// The unscrambling pass moves the body through the work block in pieces of this
// size; the decoder then uses the same block as its work area.
constexpr uint32_t kScrambleBlockSize = 12596;
static_assert(kScrambleBlockSize == kExplodeLentBlockSize, "one block serves both");

// One block, as large as the bigger of its two uses (ExplodeState grows with the
// pointer size) and aligned for the decoder.
union WorkBlock {
  ExplodeState decoder;
  uint8_t bytes[kScrambleBlockSize];
};

// The extraction state. One extraction at a time: the decoder's procedures reach it
// here, not through their parameter.
struct Extraction {
  FileHandle archive;
  FileHandle output;
  Text archive_name;
  Text current_name;  // full output path of the current entry
  ExtractProgressProc progress = nullptr;
  int32_t current_percent = 0;
  // Per entry. Sizes up to 4 GiB - 1 and positions beyond 4 GiB are valid.
  uint32_t packed_remaining = 0;  // stream bytes not yet read (never past the body)
  uint32_t packed_consumed = 0;
  uint64_t bytes_written = 0;
  uint32_t original_size = 0;
  uint32_t running_crc = 0;
  bool io_failed = false;  // a read or a write failed while decoding
  bool overrun = false;    // the stream gave more bytes than original_size
};

Extraction extraction;

uint32_t ReadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void ReportProgress() {
  if (extraction.progress != nullptr) {
    extraction.progress(extraction.current_name.c_str(), extraction.current_percent);
  }
}

// Both files closed, the archive deleted; every failure is ignored. (A failed close
// is not retried: the holder has let go of the handle, which the system may already
// have handed to another file.)
void CloseArchiveFiles() {
  extraction.archive.Close();
  RemoveFile(extraction.archive_name.c_str());
  extraction.output.Close();
}

// Reads exactly count bytes; a short read means the file changed under us.
bool ReadExactly(void* buffer, uint32_t count) {
  uint32_t done = 0;
  return ReadFileBytes(extraction.archive, buffer, count, &done) && done == count;
}

// The decoder's read procedure: the next bytes of the current entry's stream, never
// beyond it. A failed read ends the stream and is reported after the decoder returns.
uint32_t ArchiveReadProc(uint8_t* buffer, uint32_t* size, void* /*param*/) {
  if (extraction.io_failed || extraction.overrun) return 0;
  const uint32_t count =
      extraction.packed_remaining < *size ? extraction.packed_remaining : *size;
  if (count == 0) return 0;
  if (!ReadExactly(buffer, count)) {
    extraction.io_failed = true;
    return 0;
  }
  extraction.packed_consumed += count;
  extraction.packed_remaining -= count;
  return count;
}

// The decoder's write procedure: the block goes to the output file and into the
// running CRC, then progress is reported. A block that would take the file past its
// stored size is not written, and the next read ends the stream.
void ArchiveWriteProc(uint8_t* buffer, uint32_t* size, void* /*param*/) {
  if (extraction.io_failed || extraction.overrun) return;
  uint32_t count = *size;
  if (count > extraction.original_size - extraction.bytes_written) {
    extraction.overrun = true;
    return;
  }
  if (!WriteFileBytes(extraction.output, buffer, count)) {
    extraction.io_failed = true;
    return;
  }
  extraction.running_crc = UpdateCrc32(buffer, &count, &extraction.running_crc);
  extraction.bytes_written += count;
  ReportProgress();
}

// Unscrambles the body in place, block by block, while its CRC is taken, and checks
// the CRC against the stored checksum.
int32_t UnscrambleArchive(uint8_t* block, const char* key, uint64_t length) {
  SetScrambleKey(key != nullptr ? key : "");
  uint32_t running_crc = kCrc32Preset;
  uint64_t position = 0;
  const uint64_t body_length = length >= kArchiveChecksumSize ? length - kArchiveChecksumSize : 0;
  while (position < body_length) {
    const uint64_t left = body_length - position;
    uint32_t count = left < kScrambleBlockSize ? static_cast<uint32_t>(left) : kScrambleBlockSize;
    // Each read must bring the bytes the file held when it was measured, or the
    // pass could go round for ever.
    if (!ReadExactly(block, count)) return kExtractIoFailed;
    ScrambleBuffer(block, static_cast<int32_t>(count));
    running_crc = UpdateCrc32(block, &count, &running_crc);
    if (!SeekFile(extraction.archive, position) ||
        !WriteFileBytes(extraction.archive, block, count)) {
      return kExtractIoFailed;
    }
    position += count;
  }
  // An archive shorter than 4 bytes leaves zeros at the top of the value, which can
  // then never equal the running CRC of an empty body (0xFFFFFFFF).
  uint8_t stored[kArchiveChecksumSize] = {0, 0, 0, 0};
  uint32_t done = 0;
  ReadFileBytes(extraction.archive, stored, kArchiveChecksumSize, &done);
  return ReadLittleEndian32(stored) == running_crc ? kExtractOk : kExtractChecksumMismatch;
}

// Decodes the stream at the archive position into the open output file and checks
// what came out against header.
int32_t DecodeEntry(const EntryHeader& header, uint64_t stream_room, ExplodeState* decoder) {
  extraction.packed_remaining =
      header.packed_size < stream_room ? header.packed_size : static_cast<uint32_t>(stream_room);
  extraction.packed_consumed = 0;
  extraction.bytes_written = 0;
  extraction.original_size = header.original_size;
  extraction.running_crc = kCrc32Preset;
  extraction.io_failed = false;
  extraction.overrun = false;
  uint32_t unused_param = 0;
  EntryOutcome outcome;
  outcome.decoder_result = ExplodeStream(ArchiveReadProc, ArchiveWriteProc, decoder, &unused_param);
  if (extraction.io_failed) return kExtractIoFailed;
  outcome.packed_consumed = extraction.packed_consumed;
  outcome.bytes_written = extraction.bytes_written;
  outcome.crc = extraction.running_crc;
  outcome.overrun = extraction.overrun;
  return EntryMatchesHeader(header, outcome) ? kExtractOk : kExtractEntryInvalid;
}

// Extracts the entry at *position (below body_end) and moves *position past it.
int32_t ExtractEntry(const Text& destination, uint64_t* position, uint64_t body_end,
                     uint64_t length, ExplodeState* decoder) {
  uint64_t left = body_end - *position;
  uint8_t name_length_bytes[2];
  if (left < sizeof name_length_bytes) return kExtractEntryInvalid;
  if (!ReadExactly(name_length_bytes, sizeof name_length_bytes)) return kExtractIoFailed;
  left -= sizeof name_length_bytes;
  const uint32_t name_length = name_length_bytes[0] | name_length_bytes[1] << 8;
  if (name_length == 0 || name_length + kEntryHeaderSize > left) return kExtractEntryInvalid;

  Text name;
  name.Resize(name_length);
  uint8_t header_bytes[kEntryHeaderSize];
  if (!ReadExactly(name.data(), name_length) ||
      !ReadExactly(header_bytes, kEntryHeaderSize)) {
    return kExtractIoFailed;
  }
  *position += sizeof name_length_bytes + name_length + kEntryHeaderSize;
  if (!IsSafeEntryName(name)) return kExtractEntryInvalid;
  const EntryHeader header = DecodeEntryHeader(header_bytes);

  extraction.current_name = destination + "\\" + name;
  const char* path = extraction.current_name.c_str();
  if (extraction.current_name.size() > kMaxPathLength) return kExtractOutputUnavailable;
  MakeFolderPath(PathFolderPart(extraction.current_name));
  // A file already there goes, read-only or not.
  SetFileAttrs(path, 0);
  RemoveFile(path);
  extraction.output = CreateNewFile(path);
  if (!extraction.output.IsOpen()) return kExtractOutputUnavailable;

  extraction.current_percent = ProgressPercent(*position, length);
  ReportProgress();
  const int32_t result = DecodeEntry(header, body_end - *position, decoder);
  if (result != kExtractOk) return result;
  *position += header.packed_size;

  SetFileDosTime(extraction.output, header.dos_date_time);
  extraction.output.Close();
  SetFileAttrs(path, header.attributes);
  return kExtractOk;
}

int32_t ExtractEntries(const Text& destination, uint64_t length, ExplodeState* decoder) {
  if (!SeekFile(extraction.archive, 0)) return kExtractIoFailed;
  const uint64_t body_end = length - kArchiveChecksumSize;
  uint64_t position = 0;
  while (position < body_end) {
    const int32_t result = ExtractEntry(destination, &position, body_end, length, decoder);
    if (result != kExtractOk) return result;
  }
  extraction.current_percent = 100;
  ReportProgress();
  return kExtractOk;
}

Text WithoutTrailingBackslashes(const char* folder) {
  Text text(folder);
  while (!text.empty() && text.back() == '\\') text.PopBack();
  return text;
}

}  // namespace

Text CompleteArchivePath(const Text& path, const char* default_extension) {
  Text folder = PathFolderPart(path);
  if (folder.empty()) {
    folder = CurrentFolder();
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
  }
  Text complete = folder + PathFileName(path);
  if (PathExtension(path).empty()) complete += default_extension;
  return complete;
}

int32_t ExtractArchive(const char* archive_path, const char* destination, const char* key,
                       ExtractProgressProc progress) {
  // An empty text counts as none: a text in this program is absent when it is empty.
  if (archive_path == nullptr || *archive_path == '\0') return kExtractArchiveUnavailable;
  if (destination == nullptr || *destination == '\0') return kExtractOutputUnavailable;
  extraction.archive_name = CompleteArchivePath(archive_path, kDefaultExtension);
  extraction.progress = progress;
  extraction.current_name = Text();
  const Text folder = WithoutTrailingBackslashes(destination);

  extraction.archive = OpenExistingFile(extraction.archive_name.c_str(), FileAccess::kReadWrite);
  uint64_t length = 0;
  if (!extraction.archive.IsOpen() || !FileSize(extraction.archive, &length)) {
    CloseArchiveFiles();
    return kExtractArchiveUnavailable;
  }
  WorkBlock block;
  int32_t result = UnscrambleArchive(block.bytes, key, length);
  if (result == kExtractOk) result = ExtractEntries(folder, length, &block.decoder);
  CloseArchiveFiles();
  return result;
}
