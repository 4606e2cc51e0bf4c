#include "payload/extracted_names.h"

#include <algorithm>

#include "payload/cp1252.h"
#include "payload/host_fs.h"

namespace vozip {
namespace {

bool HasHighBytes(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// Moves 'from' to 'to'. Files replace files; a folder whose place is taken by a
// folder is merged into it, child by child.
bool MoveMerging(const std::string& from, const std::string& to, std::string* error) {
  host::Status source;
  host::Status target;
  if (!host::GetStatus(from, false, &source, error) ||
      !host::GetStatus(to, false, &target, error)) {
    return false;
  }
  if (source.kind != host::Kind::kFolder || target.kind != host::Kind::kFolder) {
    return host::RenameReplacing(from, to, error);
  }
  std::vector<std::string> children;
  if (!host::ListFolder(from, &children, error)) return false;
  for (const std::string& child : children) {
    if (!MoveMerging(host::JoinPath(from, child), host::JoinPath(to, child), error)) return false;
  }
  host::RemoveFolder(from);
  return true;
}

}  // namespace

bool ExtractedNamesNeedUtf8() { return host::kSeparator == '/'; }

bool RenameExtractedToUtf8(const std::string& folder, const std::vector<std::string>& names,
                           std::string* error) {
  if (!ExtractedNamesNeedUtf8()) return true;
  for (const std::string& name : names) {
    if (!HasHighBytes(name)) continue;
    std::string parent = folder;  // already in UTF-8
    size_t start = 0;
    for (;;) {
      const size_t end = std::min(name.find('\\', start), name.size());
      const std::string part = name.substr(start, end - start);
      const std::string utf8 = host::JoinPath(parent, Cp1252ToUtf8(part));
      if (HasHighBytes(part)) {
        const std::string raw = host::JoinPath(parent, part);
        host::Status status;
        if (!host::GetStatus(raw, false, &status, error)) return false;
        // Missing: renamed already for an earlier name, or never written.
        if (status.kind != host::Kind::kMissing && !MoveMerging(raw, utf8, error)) return false;
      }
      if (end == name.size()) break;
      parent = utf8;
      start = end + 1;
    }
  }
  return true;
}

}  // namespace vozip
