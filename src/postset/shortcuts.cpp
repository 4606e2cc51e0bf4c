#include "postset/shortcuts.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include "platform/text.h"
#include "postset/shell_functions.h"
#include "postset/special_folders.h"
#include "postset/system_calls.h"

namespace {

// The target's folder: everything before its last backslash. A drive's root keeps
// its backslash (C:\x.exe gives C:\), since C: alone would mean the drive's current
// folder; a target without any backslash gives an empty text.
Text WorkingDirectoryOf(const char* target) {
  Text folder(target);
  while (!folder.empty() && folder.back() != '\\') folder.PopBack();
  if (folder.size() > 3) folder.PopBack();
  return folder;
}

// Saves the link as folder\name.lnk. The file name goes to the link object in
// UTF-16 through a buffer of MAX_PATH characters; a name that does not fit is a
// failure, never saved under a shortened name.
bool SaveLink(IPersistFile* file, const char* folder, const char* name) {
  const Text link_file = Text(folder) + '\\' + name + ".lnk";
  WCHAR wide_name[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, link_file.c_str(), -1, wide_name, MAX_PATH) == 0) return false;
  return SUCCEEDED(file->Save(wide_name, TRUE));
}

}  // namespace

bool CreateShortcut(const char* target, const char* folder, const char* name, bool notify) {
  const ShellFunctions* shell = LoadShellFunctions();
  // Each call keeps COM for its own duration only (single-threaded apartment).
  if (shell == nullptr || FAILED(shell->co_initialize(nullptr))) return false;
  bool saved = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(shell->co_create_instance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                          reinterpret_cast<void**>(&link)))) {
    // Arguments, icon, hot key and show command keep the link object's defaults.
    link->SetPath(target);
    const Text working_directory = WorkingDirectoryOf(target);
    link->SetDescription(name);
    link->SetWorkingDirectory(working_directory.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      saved = SaveLink(file, folder, name);
      file->Release();
      if (notify) SystemCalls().change_notify(SHCNE_UPDATEDIR, SHCNF_PATHA, folder, nullptr);
    }
    link->Release();
  }
  shell->co_uninitialize();
  return saved;
}

bool CreateProgramsShortcut(const char* sub_folder, const char* name, const char* target) {
  if (ProgramsFolder().empty()) return false;
  Text folder = ProgramsFolder();
  if (*sub_folder != '\0') folder = folder + '\\' + sub_folder;
  return CreateShortcut(target, folder.c_str(), name, true);
}

bool CreateDesktopShortcut(const char* name, const char* target) {
  if (DesktopFolder().empty()) return false;
  return CreateShortcut(target, DesktopFolder().c_str(), name, false);
}
