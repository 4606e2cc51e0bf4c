// The shell32 and ole32 functions of the post-installation steps, taken from the
// system folder when first needed.
//
// A setup usually runs from a download folder, where anyone may have put a DLL
// named shell32.dll or ole32.dll; the program must never use such a copy. Linking
// against them would let the loader look beside the program first wherever the
// system does not pin them, so they are loaded by their full path instead.
#pragma once

#include <windows.h>

#include <shlobj.h>

struct ShellFunctions {
  HRESULT(WINAPI* co_initialize)(void* reserved);
  void(WINAPI* co_uninitialize)();
  HRESULT(WINAPI* co_create_instance)(REFCLSID class_id, IUnknown* outer, DWORD context, REFIID interface_id,
                                      void** object);
  void(WINAPI* co_task_mem_free)(void* block);
  HRESULT(WINAPI* get_special_folder_location)(HWND owner, int folder, LPITEMIDLIST* items);
  BOOL(WINAPI* get_path_from_id_list)(LPCITEMIDLIST items, char* path);
  void(WINAPI* change_notify)(LONG event, UINT flags, const void* item1, const void* item2);
};

// The functions, or null when a library or one of them cannot be had; either way
// the answer of the first call stands. The libraries stay loaded until the end.
const ShellFunctions* LoadShellFunctions();
