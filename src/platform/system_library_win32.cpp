#include "platform/system_library.h"

#include <cstring>

namespace {
// Not in every SDK's headers, and not in every kernel32: looked up at run time.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
}  // namespace

void RestrictDllSearchToSystemFolder() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  const auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default_dll_directories != nullptr) set_default_dll_directories(kLoadLibrarySearchSystem32);
}

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT folder_length = GetSystemDirectoryA(path, MAX_PATH);
  const size_t name_length = std::strlen(name);
  // Zero is failure; a length of MAX_PATH or more means the buffer was too small.
  if (folder_length == 0 || folder_length + 1 + name_length >= MAX_PATH) return nullptr;
  path[folder_length] = '\\';
  std::memcpy(path + folder_length + 1, name, name_length + 1);
  return LoadLibraryA(path);
}
