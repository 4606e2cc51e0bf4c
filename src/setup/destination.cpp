#include "setup/destination.h"

#include <windows.h>

#include "archive/fs_helpers.h"

double FreeSpaceMegabytes(const Text& path) {
  // The drive root: C:\ for any path on C. A network path gives three backslashes,
  // which the system rejects, so the user is asked.
  Text root = path.Substring(0, path.size() < 2 ? path.size() : 2);
  if (!root.empty()) root[0] = static_cast<char>(root[0] & 0xDF);
  root += '\\';

  DWORD sectors_per_cluster = 0;
  DWORD bytes_per_sector = 0;
  DWORD free_clusters = 0;
  DWORD total_clusters = 0;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters,
                         &total_clusters)) {
    return -1.0;
  }
  return static_cast<double>(sectors_per_cluster) * bytes_per_sector / 1024.0 * free_clusters / 1024.0;
}

namespace {

// The path up to and including its last backslash or colon; empty if it has neither.
Text ParentOf(const Text& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == '\\' || path[i - 1] == ':') return path.Substring(0, i);
  }
  return Text();
}

}  // namespace

void MakeDestinationPath(Text path) {
  if (path.empty()) return;
  if (path.back() == '\\') path.PopBack();
  if (path.size() < 3) return;
  if (FolderExists(path.c_str())) return;
  const Text parent = ParentOf(path);
  if (parent != path) {
    MakeDestinationPath(parent);
    CreateDirectoryA(path.c_str(), nullptr);
  }
}

Text CreateDestinationFolder(const Text& path) {
  MakeDestinationPath(path);
  return FolderExists(path.c_str()) ? path : Text();
}
