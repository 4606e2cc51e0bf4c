// Drive letters for a test, made through wine's mount manager the way its
// configuration tool makes them: a letter, a drive type and a Unix folder (a symlink
// in the prefix's dosdevices folder). The manager knows the type, so GetDriveType
// reports it; a fixed disk's label comes from a .windows-label file in its root; a
// network drive whose folder is dosdevices/unc/SERVER/SHARE has the remote name
// \\SERVER\SHARE. Every letter made is removed again when the holder goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace chooser_test {

class WineDrives {
 public:
  WineDrives() = default;
  ~WineDrives();
  WineDrives(const WineDrives&) = delete;
  WineDrives& operator=(const WineDrives&) = delete;

  // Maps letter to unix_folder (absolute, or relative to dosdevices) as a drive of
  // drive_type (DRIVE_FIXED, DRIVE_CDROM, ...). The folder need not exist.
  bool Define(char letter, UINT drive_type, const std::string& unix_folder);
  // Removes every letter this holder made.
  void RemoveAll();
  // Removes a letter (also one left behind by an earlier, aborted run).
  static bool Remove(char letter);

 private:
  std::vector<char> letters_;
};

// The prefix's dosdevices folder as a Windows path through Z:.
std::string DosDevicesFolder();
// The Unix path of a Windows path on C: (C: is the prefix's drive_c).
std::string UnixPathOnC(const std::string& windows_path);

}  // namespace chooser_test
