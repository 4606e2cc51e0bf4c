/* Resource and control numbers shared by the .rc script and the program. Plain
   defines, since the resource compiler reads this file too. */
#pragma once

#define IDD_WELCOME 200
#define IDC_INSTALL 201
#define IDC_CANCEL_SETUP 202
#define IDC_BROWSE 203
#define IDC_WELCOME_TEXT 204
#define IDC_DESTINATION_FRAME 205
#define IDC_DESTINATION 206
#define IDC_MAIN_ICON 207

#define IDD_PROGRESS 300

/* The file-copy video clip inside shell32.dll. */
#define IDR_SHELL32_FILE_COPY_CLIP 160
