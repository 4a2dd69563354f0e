#pragma once

// Resource ids of kelvista.exe, shared by kelvista.rc and the code (windres reads only the
// #defines). The command ids are the view logic's; WinCommands.cpp checks that they agree.

#define IDR_MAINFRAME 128     // string, menu, accelerator table and icon
#define IDS_APP_TITLE 57344   // the application title
#define IDD_ABOUTBOX 100      // the About box
#define IDD_VALUE 133         // the value dialog
#define IDC_VALUE_EDIT 1020   // its edit field
#define IDC_VALUE_LABEL 1029  // its label
#define IDC_ABOUT_NAME 1030   // the About box's two lines
#define IDC_ABOUT_PURPOSE 1031

#define IDM_NEXT_FRAME 32771
#define IDM_PREV_FRAME 32772
#define IDM_GOTO_FRAME 32773
#define IDM_REFRESH 32775
#define IDM_STOP 32776
#define IDM_MAX_FRAMES 32778
#define IDM_APP_ABOUT 57664

#define IDW_PANE_FIRST 59648  // the view's child id
#define IDC_STATIC (-1)
