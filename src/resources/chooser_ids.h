/* Resource and control numbers of the directory chooser, shared by chooser.rc and
   the program. Plain defines, since the resource compiler reads this file too. */
#pragma once

#define IDD_CHOOSE_DIRECTORY 100
#define IDC_CHOOSER_PROMPT 101
#define IDC_PATH_LABEL 102
#define IDC_PATH_FIELD 103
#define IDC_FOLDERS_LABEL 104
#define IDC_FOLDER_LIST 105
#define IDC_DRIVES_LABEL 106
#define IDC_DRIVE_BOX 107
#define IDC_CHOOSER_OK 108
/* Cancel is IDCANCEL (2), so that Escape cancels too. */
#define IDC_CHOOSER_CANCEL 2

/* Folder-list icons. */
#define IDI_CLOSED_FOLDER 1001  /* a subfolder of the current folder */
#define IDI_CURRENT_FOLDER 1002 /* the current folder: open, half-toned */
#define IDI_OPEN_FOLDER 1003    /* a parent level of the current folder */

/* Drive-box icons, one per drive type. */
#define IDI_DISC_DRIVE 1101
#define IDI_FLOPPY_DRIVE 1102
#define IDI_HARD_DISK 1103
#define IDI_NETWORK_DRIVE 1104
#define IDI_RAM_DISK 1105
