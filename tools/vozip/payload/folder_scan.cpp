#include "payload/folder_scan.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "payload/attributes.h"
#include "payload/cp1252.h"
#include "payload/host_fs.h"

namespace vozip {
namespace {

const char* const kDeviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                    "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                    "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = FoldCase1252(c);
  return folded;
}

// Why Windows cannot create a file or folder of this (Windows-1252) name; empty when
// it can.
std::string WindowsNameProblem(const std::string& name) {
  for (char c : name) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte < 0x20) {
      char text[80];
      std::snprintf(text, sizeof text, "holds the control character 0x%02X", byte);
      return text;
    }
    if (std::string("<>:\"/\\|?*").find(c) != std::string::npos) {
      return std::string("holds '") + c + "', which Windows does not allow in names";
    }
  }
  if (name.back() == '.' || name.back() == ' ') {
    return "ends in a dot or a space, which Windows drops";
  }
  const std::string base = Folded(name.substr(0, name.find('.')));
  for (const char* device : kDeviceNames) {
    if (base == device) return "is the name of a Windows device";
  }
  return std::string();
}

class Walker {
 public:
  Walker(const std::string& root, ScanResult* result) : root_(root), result_(result) {}

  void Run() {
    std::string error;
    host::Status status;
    if (!host::GetStatus(root_, true, &status, &error)) {
      result_->errors.push_back(error);
      return;
    }
    if (status.kind != host::Kind::kFolder) {
      result_->errors.push_back(root_ + ": not a folder");
      return;
    }
    if (!host::RealPath(root_, &root_real_, &error)) {
      result_->errors.push_back(error);
      return;
    }
    std::vector<std::string> empty_folders;
    const size_t files = Walk(root_, std::string(), std::string(), root_real_, &empty_folders);
    for (const std::string& folder : empty_folders) {
      result_->warnings.push_back("folder '" + folder +
                                  "' holds no file; the archive cannot carry empty folders, "
                                  "so the setup will not create it");
    }
    if (files == 0 && result_->errors.empty()) {
      result_->warnings.push_back(root_ + " holds no file; the archive will be empty");
    }
    CheckCaseCollisions();
    std::sort(result_->items.begin(), result_->items.end(),
              [](const PackItem& a, const PackItem& b) { return a.stored_name < b.stored_name; });
  }

 private:
  // Walks one folder; returns the number of files found below it. Folders below it
  // that hold no file at all are added to *empty_folders, outermost only.
  size_t Walk(const std::string& path, const std::string& display, const std::string& stored,
              const std::string& real, std::vector<std::string>* empty_folders) {
    std::vector<std::string> names;
    std::string error;
    if (!host::ListFolder(path, &names, &error)) {
      result_->errors.push_back("cannot read folder: " + error);
      return 1;  // not reported as empty: its contents are unknown
    }
    std::sort(names.begin(), names.end());
    ancestors_.push_back(real);
    size_t files = 0;
    for (const std::string& name : names) {
      files += Visit(path, display, stored, name, empty_folders);
    }
    ancestors_.pop_back();
    return files;
  }

  size_t Visit(const std::string& folder_path, const std::string& folder_display,
               const std::string& folder_stored, const std::string& name,
               std::vector<std::string>* empty_folders) {
    const std::string path = host::JoinPath(folder_path, name);
    const std::string display = folder_display.empty() ? name : folder_display + "\\" + name;
    std::string stored_part;
    std::string problem;
    if (!Utf8ToCp1252(name, &stored_part, &problem)) {
      Refuse(display, "name is not representable in Windows-1252 (" + problem + ")");
      return 1;
    }
    problem = WindowsNameProblem(stored_part);
    if (!problem.empty()) {
      Refuse(display, "name " + problem);
      return 1;
    }
    const std::string stored =
        folder_stored.empty() ? stored_part : folder_stored + "\\" + stored_part;

    host::Status status;
    std::string error;
    if (!host::GetStatus(path, false, &status, &error)) {
      result_->errors.push_back(error);
      return 1;
    }
    std::string real;
    if (status.is_link) {
      if (!FollowLink(path, display, &status, &real)) return 1;
    }
    switch (status.kind) {
      case host::Kind::kFolder: {
        if (real.empty() && !host::RealPath(path, &real, &error)) {
          result_->errors.push_back(error);
          return 1;
        }
        std::vector<std::string> below;
        const size_t files = Walk(path, display, stored, real, &below);
        if (files == 0) {
          empty_folders->push_back(display);
        } else {
          empty_folders->insert(empty_folders->end(), below.begin(), below.end());
        }
        return files;
      }
      case host::Kind::kFile:
        AddFile(path, display, stored, status);
        return 1;
      case host::Kind::kMissing:
        Refuse(display, "vanished while the folder was read");
        return 1;
      case host::Kind::kOther:
        result_->warnings.push_back(display + ": neither a file nor a folder; skipped");
        return 0;
    }
    return 0;
  }

  // Replaces *status by what the link leads to; false (with an error) when the link
  // leads outside the root, nowhere, or into a loop.
  bool FollowLink(const std::string& path, const std::string& display, host::Status* status,
                  std::string* real) {
    std::string error;
    if (!host::RealPath(path, real, &error)) {
      Refuse(display, "link leads nowhere");
      return false;
    }
    if (!host::PathIsInside(*real, root_real_)) {
      Refuse(display, "link leads outside the folder being packed (to " + *real + ")");
      return false;
    }
    if (!host::GetStatus(path, true, status, &error)) {
      result_->errors.push_back(error);
      return false;
    }
    if (status->kind == host::Kind::kFolder &&
        std::find(ancestors_.begin(), ancestors_.end(), *real) != ancestors_.end()) {
      Refuse(display, "link leads back to a folder that contains it (a loop)");
      return false;
    }
    return true;
  }

  void AddFile(const std::string& path, const std::string& display, const std::string& stored,
               const host::Status& status) {
    const std::string problem = StoredFileProblem(stored, status.size);
    if (!problem.empty()) {
      Refuse(display, problem);
      return;
    }
    std::FILE* file = host::OpenFile(path, "rb");
    if (file == nullptr) {
      Refuse(display, "cannot be read");
      return;
    }
    std::fclose(file);
    if (stored.size() > kLongNameWarningLength) {
      result_->warnings.push_back(
          display + ": name is " + std::to_string(stored.size()) +
          " bytes long; below the default destination its path exceeds the 259 characters "
          "Windows allows, and the setup would fail");
    }
    PackItem item;
    item.source_path = path;
    item.display_name = display;
    item.stored_name = stored;
    item.size = status.size;
    item.mtime_seconds = status.mtime_seconds;
    item.read_only = status.read_only;
    result_->items.push_back(std::move(item));
  }

  // Windows treats names that differ only in case as one: two such files, or a file
  // and a folder, would overwrite each other on the user's machine.
  void CheckCaseCollisions() {
    std::map<std::string, const PackItem*> files;
    std::map<std::string, std::string> folders;  // folded folder name -> a file inside
    for (const PackItem& item : result_->items) {
      const std::string folded = Folded(item.stored_name);
      auto [it, inserted] = files.emplace(folded, &item);
      if (!inserted) {
        const auto& pair = std::minmax(it->second->display_name, item.display_name);
        Refuse(pair.second, "name differs only in case from " + pair.first +
                                "; Windows would write both to one file");
      }
      for (size_t slash = folded.find('\\'); slash != std::string::npos;
           slash = folded.find('\\', slash + 1)) {
        folders.emplace(folded.substr(0, slash), item.display_name);
      }
    }
    for (const auto& [folded, file] : files) {
      auto folder = folders.find(folded);
      if (folder != folders.end()) {
        Refuse(file->display_name, "is a file, but Windows would take it for the folder of " +
                                       folder->second + " (names differ only in case)");
      }
    }
  }

  void Refuse(const std::string& display, const std::string& why) {
    result_->errors.push_back(Shortened(display) + ": " + why);
  }

  // Names in messages stay readable: very long ones are cut (at a character boundary).
  static std::string Shortened(const std::string& display) {
    constexpr size_t kShown = 200;
    if (display.size() <= kShown) return display;
    size_t cut = kShown;
    while (cut > 0 && (static_cast<uint8_t>(display[cut]) & 0xC0) == 0x80) --cut;
    return display.substr(0, cut) + "...";
  }

  const std::string root_;
  std::string root_real_;
  std::vector<std::string> ancestors_;  // real paths of the folders being walked
  ScanResult* result_;
};

}  // namespace

std::string StoredFileProblem(const std::string& stored_name, uint64_t size) {
  if (size > kMaxFileSize) {
    return "file is " + std::to_string(size) +
           " bytes; the archive carries files up to 4 GiB - 1 bytes";
  }
  if (stored_name.size() > kMaxStoredNameLength) {
    return "name is " + std::to_string(stored_name.size()) +
           " bytes long; the archive carries names up to " + std::to_string(kMaxStoredNameLength);
  }
  if (Folded(stored_name) == "TEMPFILE.$$$") {
    return "the setup uses this name for its temporary copy of the payload";
  }
  return std::string();
}

void ScanFolder(const std::string& root, ScanResult* result) {
  *result = ScanResult();
  Walker(root, result).Run();
}

}  // namespace vozip
