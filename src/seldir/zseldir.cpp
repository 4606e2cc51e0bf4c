#include "seldir/zseldir.h"

#include "platform/file.h"
#include "resources/chooser_ids.h"
#include "seldir/chooser_drawing.h"
#include "seldir/chooser_lists.h"
#include "seldir/chooser_paths.h"
#include "seldir/chooser_state.h"
#include "seldir/chooser_texts.h"
#include "seldir/folder_search.h"

namespace {

HICON LoadFolderIcon(int id) {
  return static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_SHARED));
}

// The whole field: text beyond what a path may hold is refused, not cut off.
Text PathFieldText(HWND dialog) {
  const HWND field = GetDlgItem(dialog, IDC_PATH_FIELD);
  Text text;
  text.Resize(static_cast<size_t>(GetWindowTextLengthA(field)));
  GetWindowTextA(field, text.data(), static_cast<int>(text.size() + 1));
  text.TrimAtZero();
  return text;
}

void ShowPath(HWND dialog, const Text& path) { SetDlgItemTextA(dialog, IDC_PATH_FIELD, path.c_str()); }

void OnInitDialog(HWND dialog, const char* initial_folder) {
  ChooserState& chooser = Chooser();
  chooser.dialog = dialog;
  if (chooser.font != nullptr) {
    const WPARAM font = reinterpret_cast<WPARAM>(chooser.font);
    SendDlgItemMessageA(dialog, IDC_PATH_FIELD, WM_SETFONT, font, FALSE);
    SendDlgItemMessageA(dialog, IDC_FOLDER_LIST, WM_SETFONT, font, FALSE);
  }
  Text start = WalkUpToExistingFolder(ExpandFullPath(initial_folder), SearchFolderProc, nullptr);
  if (start.empty()) start = CurrentFolder();

  chooser.open_folder_icon = LoadFolderIcon(IDI_OPEN_FOLDER);
  chooser.current_folder_icon = LoadFolderIcon(IDI_CURRENT_FOLDER);
  chooser.closed_folder_icon = LoadFolderIcon(IDI_CLOSED_FOLDER);

  ShowPath(dialog, start);
  FillDriveCombo(start);
  FillFolderList(start);
}

void OpenSelectedFolder(HWND dialog, HWND folder_list) {
  const Text path = PathFromFolderList(folder_list);
  if (path.empty()) return;
  ShowPath(dialog, path);
  FillFolderList(path);
}

void SelectCurrentDrive(HWND box) { SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(Chooser().current_drive), 0); }

// A drive is usable when a search in its root finds an entry or finds it empty; an
// empty floppy or disc drive or an unreachable network drive puts the box back on
// the current drive, without a message.
void OnDriveChosen(HWND dialog, HWND box) {
  const LRESULT selected = SendMessageA(box, CB_GETCURSEL, 0, 0);
  const Text entry =
      selected >= 0 ? ControlItemText(box, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(selected)) : Text();
  if (entry.size() < 2) {
    SelectCurrentDrive(box);
    return;
  }
  const Text root = DriveRootOfEntry(entry);
  const uint32_t code = SearchFolder(root + "*.*");
  if (code != kSearchFoundEntry && code != kSearchFileNotFound) {
    SelectCurrentDrive(box);
    return;
  }
  ShowPath(dialog, root);
  Chooser().current_drive = static_cast<int32_t>(selected);
  FillFolderList(root);
}

// A message of the chooser's: start, text and end joined, caption "Setup".
int ShowMessage(HWND dialog, const char* start, const Text& text, const char* end, UINT style) {
  const Text message = start + text + end;
  return MessageBoxA(dialog, message.c_str(), kChooserMessageCaption, style);
}

void ShowInvalidPath(HWND dialog, const Text& field_text) {
  ShowMessage(dialog, kInvalidPathStart, field_text, kInvalidPathEnd, MB_OK | MB_ICONEXCLAMATION);
}

bool UserWantsFolderCreated(HWND dialog, const Text& folder) {
  return ShowMessage(dialog, kCreateFolderStart, folder, kCreateFolderEnd, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Enter in the focused folder list opens the selected folder first; the next Enter
// (or OK) accepts it.
bool OpensSelectedFolderInstead(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_FOLDER_LIST);
  if (GetFocus() != list) return false;
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected < 0 || selected == Chooser().current_level) return false;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
  return true;
}

// Accepts a full path with a drive letter (or one from the current drive's root).
// A missing folder is accepted only when the user wants it created; any other
// failure of the search lets the path through, for the caller to deal with.
void OnOk(HWND dialog) {
  if (OpensSelectedFolderInstead(dialog)) return;
  const Text field_text = PathFieldText(dialog);
  if (!IsAcceptablePathText(field_text)) {
    ShowInvalidPath(dialog, field_text);
    return;
  }
  Text folder = ExpandFullPath(field_text);
  if (folder.empty()) {  // the system could not expand it: no folder to hand back
    ShowInvalidPath(dialog, field_text);
    return;
  }
  DropOneTrailingBackslash(folder);
  uint32_t code = SearchFolder(FolderSearchPattern(folder));
  if (code == kSearchPathNotFound && UserWantsFolderCreated(dialog, folder)) code = kSearchFoundEntry;
  if (code == kSearchPathNotFound) return;
  Chooser().chosen_folder = folder;
  EndDialog(dialog, 1);
}

void OnCommand(HWND dialog, WPARAM w_param, LPARAM l_param) {
  const int id = LOWORD(w_param);
  const int notification = HIWORD(w_param);
  const HWND control = reinterpret_cast<HWND>(l_param);
  switch (id) {
    case IDC_CHOOSER_CANCEL:
      EndDialog(dialog, 0);
      break;
    case IDC_CHOOSER_OK:
      OnOk(dialog);
      break;
    case IDC_FOLDER_LIST:
      if (notification == LBN_DBLCLK) OpenSelectedFolder(dialog, control);
      break;
    case IDC_DRIVE_BOX:
      if (notification == CBN_SELENDOK) OnDriveChosen(dialog, control);
      if (notification == CBN_SELENDCANCEL) SelectCurrentDrive(control);
      break;
    default:
      break;
  }
}

}  // namespace

Text ChooseDirectory(HWND owner, const Text& folder, HFONT font) {
  ChooserState& chooser = Chooser();
  chooser.chosen_folder = folder;
  chooser.font = font;
  // The end code is not needed: the chosen folder is the initial one unless OK
  // accepted another.
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CHOOSE_DIRECTORY), owner, ChooseDirectoryDlgProc,
                  reinterpret_cast<LPARAM>(folder.c_str()));
  return chooser.chosen_folder;
}

INT_PTR CALLBACK ChooseDirectoryDlgProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog, reinterpret_cast<const char*>(l_param));
      return TRUE;  // the dialog manager puts the focus on the path field
    case WM_COMMAND:
      OnCommand(dialog, w_param, l_param);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_MEASUREITEM:
      MeasureChooserItem(reinterpret_cast<MEASUREITEMSTRUCT*>(l_param));
      return TRUE;
    case WM_DRAWITEM:
      DrawChooserItem(reinterpret_cast<const DRAWITEMSTRUCT*>(l_param));
      return TRUE;
    default:
      return FALSE;
  }
}
