#include "postset/special_folders.h"

#include <windows.h>

#include <shlobj.h>

#include "postset/privilege_probes.h"
#include "postset/shell_functions.h"
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
Text SpecialFolderPath(const ShellFunctions& shell, int csidl) {
  Text path;
  LPITEMIDLIST items = nullptr;
  if (FAILED(shell.get_special_folder_location(nullptr, csidl, &items))) return path;
  char buffer[MAX_PATH];
  if (shell.get_path_from_id_list(items, buffer)) path = buffer;
  shell.co_task_mem_free(items);
  return path;
}

}  // namespace

void InitSpecialFolders() {
  // The service manager is asked only on the NT family, where it stands for rights.
  const bool all_users = PlatformId() == VER_PLATFORM_WIN32_NT && IsAdminByServiceManager();
  programs_folder_csidl = all_users ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
  const ShellFunctions* shell = LoadShellFunctions();
  if (shell == nullptr) return;  // without the shell there are no folders, and no links
  programs_folder = SpecialFolderPath(*shell, programs_folder_csidl);
  desktop_folder = SpecialFolderPath(*shell, CSIDL_DESKTOP);
}

int ProgramsFolderCsidl() { return programs_folder_csidl; }

Text& ProgramsFolder() { return programs_folder; }

Text& DesktopFolder() { return desktop_folder; }
