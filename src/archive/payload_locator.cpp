#include "archive/payload_locator.h"

#include <cstring>

#include "archive/fs_helpers.h"
#include "archive/larchive.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

// Held in lower case so that the image never carries the form the search looks for.
Text Marker = "<vozip file begins here>";
PumpMessagesProc Pump = nullptr;

// The search and the copy go through this one buffer, a block at a time; search
// blocks overlap by the marker's length so that a marker across a block boundary
// lies whole in the next block.
constexpr uint32_t kBlockSize = 65536;
uint8_t Buffer[kBlockSize];

constexpr char kTempFileName[] = "\\tempfile.$$$";

void PumpMessagesNow() {
  if (Pump != nullptr) Pump(false);
}

// 1-based position of the first occurrence of the marker in the first count bytes of
// Buffer; 0 if there is none.
size_t MarkerPosition(uint32_t count) {
  const size_t length = Marker.size();
  if (length == 0 || count < length) return 0;
  for (size_t i = 0; i + length <= count; ++i) {
    if (Buffer[i] == static_cast<uint8_t>(Marker[0]) &&
        std::memcmp(Buffer + i, Marker.c_str(), length) == 0) {
      return i + 1;
    }
  }
  return 0;
}

// The first failure of the copy decides what the caller is told.
void NoteFailure(int32_t* failure, int32_t result) {
  if (*failure == kExtractOk) *failure = result;
}

// The offset of the first byte behind the marker, 0 when there is no marker. Every
// read must move the block's end forward; one that fails or brings nothing before the
// file's end stops the search and counts as a failure.
uint64_t FindPayloadStart(FileHandle& setup, int32_t* failure) {
  uint64_t size = 0;
  if (!FileSize(setup, &size)) {
    NoteFailure(failure, kExtractArchiveUnavailable);
    return 0;
  }
  uint64_t position = 0;
  while (position < size) {
    PumpMessagesNow();
    if (position > 0) {
      position -= position < Marker.size() ? position : Marker.size();
      if (!SeekFile(setup, position)) break;
    }
    uint32_t count = 0;
    if (!ReadFileBytes(setup, Buffer, kBlockSize, &count) || count == 0) break;
    const uint64_t block_start = position;
    position += count;
    const size_t found = MarkerPosition(count);
    if (found > 0) return block_start + found - 1 + Marker.size();
    if (position < size && count <= Marker.size()) break;  // no step forward
  }
  if (position < size) NoteFailure(failure, kExtractArchiveUnavailable);
  return 0;
}

// Copies the setup file from its current position to its end into temp. A failed
// write does not stop the reading; a failed read does.
void CopyRest(FileHandle& setup, FileHandle& temp, int32_t* failure) {
  uint64_t position = 0;
  uint64_t size = 0;
  if (!FilePosition(setup, &position) || !FileSize(setup, &size)) {
    NoteFailure(failure, kExtractArchiveUnavailable);
    return;
  }
  while (position < size) {
    PumpMessagesNow();
    uint32_t count = 0;
    if (!ReadFileBytes(setup, Buffer, kBlockSize, &count) || count == 0) {
      NoteFailure(failure, kExtractArchiveUnavailable);
      return;
    }
    position += count;
    if (!temp.IsOpen() || !WriteFileBytes(temp, Buffer, count)) {
      NoteFailure(failure, kExtractOutputUnavailable);
    }
  }
}

}  // namespace

void InitPayloadMarker() { Marker = AsciiUpperCase(Marker); }

const char* PayloadMarker() { return Marker.c_str(); }

void PumpOnProgress(const char* /*file_name*/, int32_t /*percent*/) { PumpMessagesNow(); }

bool UnpackPayload(const char* destination_folder, PumpMessagesProc pump) {
  const Text own_file = ModuleFileName();
  return UnpackPayloadFrom(own_file.c_str(), destination_folder, pump) == kExtractOk;
}

int32_t UnpackPayloadFrom(const char* setup_path, const char* destination_folder,
                          PumpMessagesProc pump) {
  Pump = pump;
  // The operations go on past a failure; it is looked at once, before extracting.
  int32_t failure = kExtractOk;
  FileHandle setup = OpenExistingFile(setup_path, FileAccess::kRead);
  uint64_t start = 0;
  if (setup.IsOpen()) {
    start = FindPayloadStart(setup, &failure);
  } else {
    NoteFailure(&failure, kExtractArchiveUnavailable);
  }
  const Text temp_path = Text(destination_folder) + kTempFileName;
  FileHandle temp = CreateNewFile(temp_path.c_str());
  if (!temp.IsOpen()) NoteFailure(&failure, kExtractOutputUnavailable);
  if (setup.IsOpen()) {
    if (SeekFile(setup, start)) {
      CopyRest(setup, temp, &failure);
    } else {
      NoteFailure(&failure, kExtractArchiveUnavailable);
    }
  }
  if (!temp.Close()) NoteFailure(&failure, kExtractOutputUnavailable);
  if (setup.IsOpen() && !setup.Close()) NoteFailure(&failure, kExtractArchiveUnavailable);

  int32_t result = failure;
  if (result == kExtractOk) {
    result = ExtractArchive(temp_path.c_str(), destination_folder, nullptr, PumpOnProgress);
  }
  RemoveFile(temp_path.c_str());
  return result;
}
