#include "postset/privilege_probes.h"

#include <windows.h>

#include "postset/global.h"

bool IsAdminByRegistry() {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status != ERROR_ACCESS_DENIED;
}
