// The chooser's two lists: the drive box (combo box 107), listing the drives with an
// icon for their type and their label or network name, and the folder list (list
// box 105), showing the current folder as an indented chain of its levels followed
// by its subfolders. They work on the chooser state (dialog window, current level,
// current drive).
#pragma once

#include <windows.h>

#include "platform/text.h"

// Indent of the folder-list entries: level i is indented kLevelIndent * i pixels.
constexpr int kLevelIndent = 6;

// Fills the drive box once, when the chooser opens, and selects start_folder's drive.
void FillDriveCombo(const Text& start_folder);
// Refills the folder list for path (a drive, a backslash, maybe more) and sets the
// current level to the entry of path itself.
void FillFolderList(const Text& path);
// The path of the selected folder-list entry, which becomes the current folder (the
// current level moves with it); empty when nothing is selected.
Text PathFromFolderList(HWND folder_list);
// The text of entry index of a list box (LB_GETTEXTLEN, LB_GETTEXT) or combo box
// (CB_GETLBTEXTLEN, CB_GETLBTEXT); empty for an entry that does not exist.
Text ControlItemText(HWND control, UINT length_message, UINT text_message, WPARAM index);
// The full form of a typed or given path, without doubled backslashes; empty when the
// system cannot expand it.
Text ExpandFullPath(const Text& path);
