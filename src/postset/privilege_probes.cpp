#include "postset/privilege_probes.h"

#include <windows.h>

#include "postset/global.h"
#include "postset/system_calls.h"

bool IsAdminByServiceManager() {
  const SC_HANDLE manager =
      SystemCalls().open_service_manager(nullptr, nullptr, GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE);
  if (manager == nullptr) return false;
  CloseServiceHandle(manager);
  return true;
}

bool IsAdminByRegistry() {
  HKEY key = nullptr;
  const LONG status = SystemCalls().open_key(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status != ERROR_ACCESS_DENIED;
}
