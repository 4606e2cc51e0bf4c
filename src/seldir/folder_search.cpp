#include "seldir/folder_search.h"

#include "seldir/chooser_paths.h"

static_assert(kSearchFileNotFound == ERROR_FILE_NOT_FOUND, "search codes are the system's");
static_assert(kSearchPathNotFound == ERROR_PATH_NOT_FOUND, "search codes are the system's");

uint32_t SearchFolder(const Text& pattern) {
  QuietDriveErrors quiet;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError();
  FindClose(search);
  return kSearchFoundEntry;
}

uint32_t SearchFolderProc(const Text& pattern, void* /*context*/) { return SearchFolder(pattern); }
