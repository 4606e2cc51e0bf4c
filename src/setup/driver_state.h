// State of the setup driver, shared by its sequence, its dialogs and its pump. All of
// it is empty when the process starts and lives until the process ends; only the
// setup driver writes it, other subsystems get values as arguments.
#pragma once

#include <windows.h>

#include "platform/text.h"

struct SetupDriverState {
  HWND main_window = nullptr;     // the navy backdrop; owner of every dialog and message
  HWND current_dialog = nullptr;  // the dialog PumpMessages serves: welcome, none, progress
  HMODULE shell_library = nullptr;  // shell32, loaded only for the animation clip
  WNDCLASSA animation_class{};      // SysAnimate32 copied as TsvInstA32
  RECT progress_client_rect{};
  HWND animation_window = nullptr;
  Text destination_folder;  // confirmed in the welcome dialog
  HFONT welcome_font = nullptr;
};

SetupDriverState& Driver();
