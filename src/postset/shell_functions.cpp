#include "postset/shell_functions.h"

#include <cstring>

namespace {

bool loaded = false;
ShellFunctions functions;
const ShellFunctions* result = nullptr;

// name from the system folder, by its full path; none if that fails.
HMODULE LoadFromSystemFolder(const char* name) {
  char path[MAX_PATH];
  const UINT folder_length = GetSystemDirectoryA(path, MAX_PATH);
  const size_t name_length = std::strlen(name);
  if (folder_length == 0 || folder_length + 1 + name_length >= MAX_PATH) return nullptr;
  path[folder_length] = '\\';
  std::memcpy(path + folder_length + 1, name, name_length + 1);
  return LoadLibraryA(path);
}

template <typename Function>
bool Take(HMODULE module, const char* name, Function* slot) {
  *slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return *slot != nullptr;
}

bool LoadAll() {
  const HMODULE ole = LoadFromSystemFolder("ole32.dll");
  const HMODULE shell = LoadFromSystemFolder("shell32.dll");
  return ole != nullptr && shell != nullptr && Take(ole, "CoInitialize", &functions.co_initialize) &&
         Take(ole, "CoUninitialize", &functions.co_uninitialize) &&
         Take(ole, "CoCreateInstance", &functions.co_create_instance) &&
         Take(ole, "CoTaskMemFree", &functions.co_task_mem_free) &&
         Take(shell, "SHGetSpecialFolderLocation", &functions.get_special_folder_location) &&
         Take(shell, "SHGetPathFromIDListA", &functions.get_path_from_id_list) &&
         Take(shell, "SHChangeNotify", &functions.change_notify);
}

}  // namespace

const ShellFunctions* LoadShellFunctions() {
  if (!loaded) {
    loaded = true;
    if (LoadAll()) result = &functions;
  }
  return result;
}
