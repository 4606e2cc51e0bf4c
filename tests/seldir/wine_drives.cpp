#include "wine_drives.h"

#include <winioctl.h>

#include <cstdlib>
#include <cstring>

namespace chooser_test {
namespace {

// Wine's own extension of the mount manager's interface (not in the SDK headers).
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

#pragma pack(push, 8)
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;  // 0: remove the letter
  USHORT device_offset;
  USHORT label_offset;
};
#pragma pack(pop)

bool SendToMountManager(char letter, UINT drive_type, const std::string& unix_folder) {
  std::vector<char> request(sizeof(UnixDriveRequest) + unix_folder.size() + 1, '\0');
  auto* header = reinterpret_cast<UnixDriveRequest*>(request.data());
  header->size = static_cast<ULONG>(request.size());
  header->type = drive_type;
  header->letter = static_cast<WCHAR>(letter | 0x20);
  if (!unix_folder.empty()) {
    header->mount_point_offset = sizeof(UnixDriveRequest);
    std::memcpy(request.data() + sizeof(UnixDriveRequest), unix_folder.c_str(), unix_folder.size());
  }
  const HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                                  nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

}  // namespace

WineDrives::~WineDrives() { RemoveAll(); }

void WineDrives::RemoveAll() {
  for (char letter : letters_) Remove(letter);
  letters_.clear();
}

bool WineDrives::Define(char letter, UINT drive_type, const std::string& unix_folder) {
  Remove(letter);
  if (!SendToMountManager(letter, drive_type, unix_folder)) return false;
  letters_.push_back(letter);
  return true;
}

bool WineDrives::Remove(char letter) { return SendToMountManager(letter, DRIVE_UNKNOWN, ""); }

std::string DosDevicesFolder() {
  const char* prefix = std::getenv("WINEPREFIX");
  std::string folder = "Z:" + std::string(prefix != nullptr ? prefix : "") + "/dosdevices";
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder;
}

std::string UnixPathOnC(const std::string& windows_path) {
  const char* prefix = std::getenv("WINEPREFIX");
  std::string path = std::string(prefix != nullptr ? prefix : "") + "/drive_c" + windows_path.substr(2);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace chooser_test
