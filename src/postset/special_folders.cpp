#include "postset/special_folders.h"

#include <windows.h>

#include <shlobj.h>

#include "postset/privilege_probes.h"
#include "postset/system_calls.h"

namespace {

int programs_folder_csidl = CSIDL_PROGRAMS;
Text programs_folder;
Text desktop_folder;

// The platform identifier of the running system; 0 when the query fails.
DWORD PlatformId() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);  // 148
  if (!SystemCalls().get_version(&version)) return 0;
  return version.dwPlatformId;
}

// Path of special folder csidl, or empty when the shell has none for it or it is
// not a file-system folder.
Text SpecialFolderPath(int csidl) {
  Text path;
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items))) return path;
  char buffer[MAX_PATH];
  if (SHGetPathFromIDListA(items, buffer)) path = buffer;
  CoTaskMemFree(items);
  return path;
}

}  // namespace

void InitSpecialFolders() {
  // The service manager is asked only on the NT family, where it stands for rights.
  const bool all_users = PlatformId() == VER_PLATFORM_WIN32_NT && IsAdminByServiceManager();
  programs_folder_csidl = all_users ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
  programs_folder = SpecialFolderPath(programs_folder_csidl);
  desktop_folder = SpecialFolderPath(CSIDL_DESKTOP);
}

int ProgramsFolderCsidl() { return programs_folder_csidl; }

Text& ProgramsFolder() { return programs_folder; }

Text& DesktopFolder() { return desktop_folder; }
