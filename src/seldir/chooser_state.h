// State of the directory chooser: one set per process, since one chooser is open
// at a time. The dialog procedure, the list fillers and the drawing share it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/text.h"

struct ChooserState {
  HWND dialog = nullptr;  // set when the dialog initialises
  Text chosen_folder;     // the initial folder until OK accepts another
  HFONT font = nullptr;   // for the path field and the folder list; none: the dialog font
  HICON open_folder_icon = nullptr;     // parent levels of the current folder
  HICON current_folder_icon = nullptr;  // the current folder
  HICON closed_folder_icon = nullptr;   // its subfolders
  int32_t current_level = 0;  // folder-list index of the current folder's entry
  int32_t current_drive = 0;  // drive-box index of the current drive
};

ChooserState& Chooser();
