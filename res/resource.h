// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_VESKO 1
#define IDI_CHILD_IE 2
#define IDI_CHILD_MZ 3

#define IDB_GLYPHS 102

// Commands (the table of them is in shell/Commands.cpp).
#define IDM_FILE_NEW 1001
#define IDM_FILE_OPEN 1002
#define IDM_FILE_CLOSE 1003
#define IDM_FILE_SAVE 1004
#define IDM_FILE_SAVEAS 1005
#define IDM_FILE_EXIT 1006
#define IDM_BOOKMARK_EDIT 1010
#define IDM_ENGINE_IE 1020
#define IDM_ENGINE_MOZ 1021
#define IDM_OPTION 1022
#define IDM_OTHER_ENGINE 1023
#define IDM_SITE_RULES 1024
#define IDM_SITE_ALWAYS 1025
#define IDM_HISTORY 1026
#define IDM_WINDOW_CASCADE 1030
#define IDM_WINDOW_TILE_HORZ 1031
#define IDM_WINDOW_TILE_VERT 1032
#define IDM_WINDOW_MINIMIZE_ALL 1033
#define IDM_WINDOW_ARRANGE 1034
#define IDM_HELP_ABOUT 1040
#define IDM_EDIT_CUT 1050
#define IDM_EDIT_COPY 1051
#define IDM_EDIT_PASTE 1052
#define IDM_NAV_BACK 1060
#define IDM_NAV_FORWARD 1061
#define IDM_NAV_STOP 1062
#define IDM_NAV_RELOAD 1063
#define IDM_FILE_PRINT 1007
#define IDM_FILE_PRINT_PREVIEW 1008
#define IDM_FILE_PAGE_SETUP 1009
#define IDM_VIEW_FIND 1080
#define IDM_VIEW_ZOOM_IN 1081
#define IDM_VIEW_ZOOM_OUT 1082
#define IDM_VIEW_ZOOM_RESET 1083

// Items from here on are the bookmarks of the Bookmarks menu.
#define IDM_BOOKMARK_FIRST 20000
// The window system numbers the Window menu's window list from here.
#define IDM_FIRST_CHILD 50000

// Control ids of the frame.
#define IDC_TXTADDRESS 3001
#define IDC_BTNMOVE 3002
#define IDC_LABEL1 3003
#define IDC_TOOLBAR2 3004
#define IDC_STATUSBAR1 3005
#define IDC_PROGRESSBAR1 3006
#define IDC_MDICLIENT 3007
#define IDC_COOLBAR1 3008
#define IDC_TOOLBAR3 3009

// The options dialog and the About box.
#define IDB_BROWSE 120
#define IDC_OPTION_BUTTON1 4101
#define IDC_OPTION_TXTMOZPATH 4102
#define IDC_OPTION_BITBTN1 4103
#define IDC_OPTION_BUTTON2 4104
#define IDC_OPTION_CHKMOZ 4105
#define IDC_ABOUT_PANEL1 4201
#define IDC_ABOUT_PRODUCTNAME 4202
#define IDC_ABOUT_VERSION 4203
#define IDC_ABOUT_LABEL1 4204
