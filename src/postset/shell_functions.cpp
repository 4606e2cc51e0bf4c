#include "postset/shell_functions.h"

#include "platform/system_library.h"

namespace {

bool loaded = false;
ShellFunctions functions;
const ShellFunctions* result = nullptr;

template <typename Function>
bool Take(HMODULE module, const char* name, Function* slot) {
  *slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return *slot != nullptr;
}

bool LoadAll() {
  const HMODULE ole = LoadSystemLibrary("ole32.dll");
  const HMODULE shell = LoadSystemLibrary("shell32.dll");
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
