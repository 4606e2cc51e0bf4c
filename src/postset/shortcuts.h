// Shell links (".lnk" files) that start a program, in a given folder, in the
// Programs folder or on the desktop. No folder is created: it must exist.
#pragma once

// Saves folder\name.lnk starting target, described as name, with the target's
// folder as working directory; an existing link of that name is replaced. notify
// tells the shell to refresh its view of folder (whether or not the save worked).
// True when the link file was saved.
bool CreateShortcut(const char* target, const char* folder, const char* name, bool notify);

// A link in the Programs folder, or in its sub_folder when that is not empty; the
// shell is told. False when there is no Programs folder.
bool CreateProgramsShortcut(const char* sub_folder, const char* name, const char* target);

// A link on the desktop, without telling the shell. False when there is no desktop
// folder.
bool CreateDesktopShortcut(const char* name, const char* target);
