#include "seldir/chooser_lists.h"

#include <winnetwk.h>

#include <cstdint>
#include <cstring>

#include "resources/chooser_ids.h"
#include "seldir/chooser_paths.h"
#include "seldir/chooser_state.h"
#include "seldir/folder_search.h"

namespace {

constexpr DWORD kNameBufferSize = 260;

// The icon of each drive type, by its number (DRIVE_REMOVABLE 2 to DRIVE_RAMDISK 6);
// 0 for the types the box leaves out (DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR).
constexpr uint16_t kDriveIcons[] = {0, 0, IDI_FLOPPY_DRIVE, IDI_HARD_DISK, IDI_NETWORK_DRIVE, IDI_DISC_DRIVE,
                                    IDI_RAM_DISK};
static_assert(DRIVE_REMOVABLE == 2 && DRIVE_FIXED == 3 && DRIVE_REMOTE == 4 && DRIVE_CDROM == 5 &&
                  DRIVE_RAMDISK == 6,
              "drive types index the icon table");

int DriveIconId(UINT drive_type) {
  return drive_type < sizeof(kDriveIcons) / sizeof(kDriveIcons[0]) ? kDriveIcons[drive_type] : 0;
}

// Shared icons are the system's to keep; they are never destroyed.
HICON LoadSharedIcon(int id) {
  return static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_SHARED));
}

// The label of a fixed disk or the remote name of a network drive; empty for other
// types, so that no removable medium is touched, and when the query fails.
void DriveName(char letter, UINT drive_type, char (&name)[kNameBufferSize]) {
  name[0] = '\0';
  if (drive_type == DRIVE_FIXED) {
    const char root[] = {letter, ':', '\\', '\0'};
    if (!GetVolumeInformationA(root, name, kNameBufferSize, nullptr, nullptr, nullptr, nullptr, 0)) {
      name[0] = '\0';
    }
  } else if (drive_type == DRIVE_REMOTE) {
    const char local_name[] = {letter, ':', '\0'};
    DWORD size = kNameBufferSize;
    if (WNetGetConnectionA(local_name, name, &size) != NO_ERROR) name[0] = '\0';
  }
  name[kNameBufferSize - 1] = '\0';
}

HWND FolderList() { return GetDlgItem(Chooser().dialog, IDC_FOLDER_LIST); }

// Inserts at the end: LB_ADDSTRING would sort, since the list carries LBS_SORT.
LRESULT AppendFolderEntry(HWND list, const char* text, int indent) {
  const LRESULT index = SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (index >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), indent);
  return index;
}

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// Subfolders in the order the system lists them: files are skipped, hidden and
// system folders are not. A folder that cannot be listed adds nothing.
void AppendSubfolders(HWND list, const Text& path, int indent) {
  Text folder = path;
  DropOneTrailingBackslash(folder);
  QuietDriveErrors quiet;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(FolderSearchPattern(folder).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsDotEntry(found.cFileName)) {
      AppendFolderEntry(list, found.cFileName, indent);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

Text FolderEntryText(int index, void* list) {
  return ControlItemText(static_cast<HWND>(list), LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(index));
}

uint32_t SystemFullPathName(const char* path, uint32_t buffer_size, char* buffer, void* /*context*/) {
  return GetFullPathNameA(path, buffer_size, buffer, nullptr);
}

}  // namespace

Text ControlItemText(HWND control, UINT length_message, UINT text_message, WPARAM index) {
  const LRESULT length = SendMessageA(control, length_message, index, 0);
  if (length < 0) return Text();
  Text text;
  text.Resize(static_cast<size_t>(length));
  SendMessageA(control, text_message, index, reinterpret_cast<LPARAM>(text.data()));
  text.TrimAtZero();
  return text;
}

void FillDriveCombo(const Text& start_folder) {
  ChooserState& chooser = Chooser();
  const HWND box = GetDlgItem(chooser.dialog, IDC_DRIVE_BOX);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    const UINT drive_type = GetDriveTypeA(root);
    const int icon_id = DriveIconId(drive_type);
    if (icon_id == 0) continue;
    char name[kNameBufferSize];
    DriveName(letter, drive_type, name);
    // The box has no sort style, so appended drives stay in letter order.
    const Text text = DriveEntryText(letter, name);
    const LRESULT index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) continue;
    SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(LoadSharedIcon(icon_id)));
    if (IsOnDrive(letter, start_folder)) {
      SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      chooser.current_drive = static_cast<int32_t>(index);
    }
  }
}

void FillFolderList(const Text& path) {
  ChooserState& chooser = Chooser();
  const HWND list = FolderList();
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  size_t position = 0;
  Text level;
  for (int count = 0; NextFolderLevel(path, &position, &level); ++count) {
    const LRESULT index = AppendFolderEntry(list, level.c_str(), kLevelIndent * count);
    if (index >= 0) chooser.current_level = static_cast<int32_t>(index);
  }
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(chooser.current_level), 0);
  AppendSubfolders(list, path, kLevelIndent * (chooser.current_level + 1));
}

Text PathFromFolderList(HWND folder_list) {
  const LRESULT selected = SendMessageA(folder_list, LB_GETCURSEL, 0, 0);
  if (selected < 0) return Text();
  return PathOfFolderEntry(static_cast<int>(selected), &Chooser().current_level, FolderEntryText, folder_list);
}

Text ExpandFullPath(const Text& path) { return ExpandFullPathWith(path, SystemFullPathName, nullptr); }
