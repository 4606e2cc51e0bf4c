// PLACEHOLDER, NOT THE REGISTRATION: it registers nothing, shows no success message
// and only reports success, so that the run can go on to its end. The real
// registration (shortcuts, registry entries, ini file, success message) replaces
// this file.
#include "postset/registration.h"

bool RegisterApplication(const char* /*destination_folder*/, HWND /*owner*/, PumpMessagesProc /*pump*/) {
  return true;
}
