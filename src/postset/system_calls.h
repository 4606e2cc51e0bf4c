// The few system calls of the post-installation steps that tests take over.
//
// They are the calls whose failures a test machine cannot produce on demand (an old
// platform, a service manager that refuses the caller, a registry closed to
// writing) and the calls whose effect a test can only see by recording it (the
// shell's change notification, the final message). The program always uses the
// system's own functions; a test replaces entries and puts them back afterwards.
// Every other call of these modules goes to the system directly (shell32 and ole32
// by way of shell_functions.h).
#pragma once

#include <windows.h>

struct PostSetSystemCalls {
  BOOL(WINAPI* get_version)(OSVERSIONINFOA* version);
  SC_HANDLE(WINAPI* open_service_manager)(const char* machine, const char* database, DWORD access);
  LONG(WINAPI* create_key)(HKEY root, const char* sub_key, DWORD reserved, char* key_class, DWORD options,
                           REGSAM access, SECURITY_ATTRIBUTES* security, HKEY* key, DWORD* disposition);
  LONG(WINAPI* open_key)(HKEY root, const char* sub_key, DWORD options, REGSAM access, HKEY* key);
  LONG(WINAPI* set_value)(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
  void(WINAPI* change_notify)(LONG event, UINT flags, const void* item1, const void* item2);
  BOOL(WINAPI* set_foreground_window)(HWND window);
  int(WINAPI* message_box)(HWND owner, const char* text, const char* caption, UINT type);
};

PostSetSystemCalls& SystemCalls();
