#include "archive/fs_helpers.h"

#include <cstring>

namespace {

constexpr char kFolderDelimiters[] = "\\:";
constexpr char kExtensionDelimiters[] = ".\\:";

bool IsFolderDelimiter(char c) { return c == '\\' || c == ':'; }

size_t WithoutTrailingBackslashes(const Text& path, size_t length) {
  while (length > 0 && path[length - 1] == '\\') --length;
  return length;
}

size_t LastFolderDelimiterPos(const Text& path, size_t length) {
  while (length > 0 && !IsFolderDelimiter(path[length - 1])) --length;
  return length;
}

// A folder path longer than the system takes can be neither found nor created.
bool PrefixIsFolder(const Text& path, size_t length) {
  return length <= kMaxPathLength && FolderExists(path.Substring(0, length).c_str());
}

void CreatePrefix(const Text& path, size_t length) {
  if (length <= kMaxPathLength) CreateFolder(path.Substring(0, length).c_str());
}

// A failed call that left no error code still must not read as success.
uint32_t FailureCode() {
  const uint32_t code = LastErrorCode();
  return code != kErrorSuccess ? code : kErrorGenFailure;
}

}  // namespace

size_t LastDelimiterPos(const char* delimiters, const Text& text) {
  for (size_t position = text.size(); position > 0; --position) {
    const char c = text[position - 1];
    // strchr would also find a zero byte: it matches the set's terminator.
    if (c != '\0' && std::strchr(delimiters, c) != nullptr) return position;
  }
  return 0;
}

Text PathFolderPart(const Text& path) {
  return path.Substring(0, LastDelimiterPos(kFolderDelimiters, path));
}

Text PathFileName(const Text& path) {
  const size_t start = LastDelimiterPos(kFolderDelimiters, path);
  return path.Substring(start, path.size() - start);
}

Text PathExtension(const Text& path) {
  const size_t position = LastDelimiterPos(kExtensionDelimiters, path);
  if (position == 0 || path[position - 1] != '.') return Text();
  return path.Substring(position - 1, path.size() - position + 1);
}

bool FolderExists(const char* path) {
  const uint32_t attributes = GetAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttributeDirectory) != 0;
}

// Walks up from the path to the innermost folder that exists (or to a drive, or to
// nothing left), then creates the folders below it from the outside in. Every
// folder met on the way up is a prefix of the path ending before a run of "\", so
// both walks work on lengths: no recursion, however many levels a name holds.
void MakeFolderPath(const Text& path) {
  const size_t full = WithoutTrailingBackslashes(path, path.size());
  size_t length = full;
  // Fewer than 3 characters: a drive letter and colon, counted as existing. A text
  // ending in ":" is its own folder part and is never created.
  while (length >= 3 && path[length - 1] != ':' && !PrefixIsFolder(path, length)) {
    length = WithoutTrailingBackslashes(path, LastFolderDelimiterPos(path, length));
  }
  size_t made = length;
  for (size_t i = length; i < full; ++i) {
    if (!IsFolderDelimiter(path[i])) continue;
    const size_t parent = WithoutTrailingBackslashes(path, i + 1);
    if (parent > made) {
      CreatePrefix(path, parent);
      made = parent;
    }
  }
  if (full > made) CreatePrefix(path, full);
}

uint32_t SetFileAttrs(const char* path, uint32_t attributes) {
  return SetAttributes(path, attributes) ? kErrorSuccess : FailureCode();
}

uint32_t SetFileDosTime(FileHandle& file, uint32_t dos_date_time) {
  uint64_t local_time = 0;
  uint64_t utc_time = 0;
  if (!DosToFileTime(static_cast<uint16_t>(dos_date_time >> 16),
                     static_cast<uint16_t>(dos_date_time & 0xFFFF), &local_time) ||
      !LocalToUtcFileTime(local_time, &utc_time) || !SetLastWriteTime(file, utc_time)) {
    return FailureCode();
  }
  return kErrorSuccess;
}

Text AsciiUpperCase(const Text& text) {
  Text upper(text);
  for (size_t i = 0; i < upper.size(); ++i) {
    if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 0x20);
  }
  return upper;
}
