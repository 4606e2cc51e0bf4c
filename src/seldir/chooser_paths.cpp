#include "seldir/chooser_paths.h"

namespace {

constexpr size_t kExtraPathRoom = 260;

// Position of the last backslash in the first length bytes of path, or -1.
long LastBackslash(const Text& path, size_t length) {
  for (size_t i = length; i > 0; --i) {
    if (path[i - 1] == '\\') return static_cast<long>(i - 1);
  }
  return -1;
}

}  // namespace

void RemoveDoubledBackslashes(Text& path) {
  size_t kept = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' && kept > 0 && path[kept - 1] == '\\') continue;
    path[kept++] = path[i];
  }
  path.Resize(kept);
}

void DropOneTrailingBackslash(Text& path) {
  if (!path.empty() && path.back() == '\\') path.PopBack();
}

Text FolderSearchPattern(const Text& folder) { return folder + "\\*.*"; }

Text ExpandFullPathWith(const Text& path, FullPathNameProc full_path_name, void* context) {
  Text full;
  const uint32_t buffer_size = static_cast<uint32_t>(path.size() + kExtraPathRoom);
  full.Resize(buffer_size);
  const uint32_t length = full_path_name(path.c_str(), buffer_size, full.data(), context);
  // A length that does not fit is the size the service would need: the buffer does
  // not hold that path, so there is none to give.
  if (length == 0 || length >= buffer_size) return Text();
  full.Resize(length);
  RemoveDoubledBackslashes(full);
  return full;
}

bool NextFolderLevel(const Text& path, size_t* position, Text* level) {
  const size_t start = *position;
  if (start >= path.size()) return false;
  size_t end = start;
  while (end < path.size() && path[end] != '\\') ++end;
  // The first level keeps its backslash: C:\ is the drive's root.
  const size_t kept = start == 0 && end < path.size() ? end + 1 : end;
  *level = path.Substring(start, kept - start);
  *position = end + 1;
  return true;
}

Text PathOfFolderEntry(int selected, int* current_level, EntryTextProc entry_text, void* context) {
  if (selected <= *current_level) *current_level = selected - 1;
  Text path = entry_text(selected, context);
  for (int level = *current_level; level >= 0; --level) path = entry_text(level, context) + "\\" + path;
  RemoveDoubledBackslashes(path);
  return path;
}

bool IsAcceptablePathText(const Text& text) {
  if (text.size() < 3 || text.size() >= kPathFieldCapacity) return false;
  return text[1] == ':' || text[0] == '\\';
}

Text WalkUpToExistingFolder(Text folder, FolderSearchProc search, void* context) {
  while (folder.size() >= 3) {
    DropOneTrailingBackslash(folder);
    const uint32_t code = search(FolderSearchPattern(folder), context);
    if (code == kSearchFoundEntry || code == kSearchFileNotFound) break;
    if (code != kSearchPathNotFound) {
      folder.Resize(0);
      break;
    }
    // Up one level: ...\Apps\Tool becomes ...\Apps\ (and a path without any
    // backslash becomes empty, so the walk always ends).
    folder.Resize(static_cast<size_t>(LastBackslash(folder, folder.size()) + 1));
  }
  if (folder.size() == 2) folder += '\\';
  if (folder.size() < 2) folder.Resize(0);
  return folder;
}

Text DriveRootOfEntry(const Text& entry_text) { return entry_text.Substring(0, 2) + "\\"; }

Text DriveEntryText(char letter, const char* name) {
  Text text;
  text += letter;
  text += ": ";
  text += name;
  return text;
}

bool IsOnDrive(char letter, const Text& start_folder) {
  return !start_folder.empty() && letter == static_cast<char>(start_folder[0] & 0xDF);
}
