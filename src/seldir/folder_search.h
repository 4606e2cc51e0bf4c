// Folder searches of the chooser. They run with the system's critical-error box
// turned off: probing an empty floppy or disc drive must fail quietly, since the
// chooser answers such a drive by itself (it keeps the previous drive).
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/text.h"

// Keeps the "no disk in drive" box away while it lives.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietDriveErrors() { SetErrorMode(previous_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT previous_;
};

// Looks for any entry matching pattern: kSearchFoundEntry (0) when one exists, else
// the error code of the failed search (kSearchFileNotFound for an empty folder).
uint32_t SearchFolder(const Text& pattern);

// The same, for the callbacks of the path rules.
uint32_t SearchFolderProc(const Text& pattern, void* context);
