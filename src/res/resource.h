// Resource and command ids of the program's own windows.
#pragma once

// Menu, toolbar and title of the main frame.
#define IDR_MAINFRAME 108
// Document templates (their menus are loaded and dropped).
#define IDR_SPECTRUM_TYPE 311
#define IDR_IQ_TYPE 128
// Context menu registered under the name "Edit".
#define IDR_POPUP_EDIT 119
// The spectrum graph's right-button menu ("Marker").
#define IDR_MARKER_MENU 447

// Bitmaps.
#define IDB_BACKGROUND 343

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_I_GRAPH 101
#define IDD_Q_GRAPH 102
#define IDD_SPECTRUM_GRAPH 315
#define IDD_SET_VALUE 437
#define IDD_MARLIX_IP 339
#define IDD_SETTING_TAB 341
#define IDD_PLAY_FOLDER_LIST 436
#define IDD_WAIT_MESSAGE 446
#define IDD_PLAYBAR_PANE 456
#define IDD_ZEPHYRA_PANE 461

// Controls.
#define IDC_SET_VALUE_EDIT 1246
#define IDC_SET_VALUE_LABEL 1247
#define IDC_SET_VALUE_UNIT 1248
#define IDC_ABOUT_LINK 1253
#define IDC_SET_VALUE_COMBO 1350
#define IDC_SET_VALUE_MIN 1485
#define IDC_SET_VALUE_MAX 1486
#define IDC_WAIT_TEXT 1294
#define IDC_ABOUT_VERSION 1307

// Strings (their own number space).
#define IDS_OLE_INIT_FAILED 100
#define IDS_SPECTRUM_TITLE 104
#define IDS_SPECTRUM_TEMPLATE_NOT_FOUND 101
#define IDS_IQ_TEMPLATE_NOT_FOUND 110
#define IDS_TOOLBAR_STANDARD 113
#define IDS_EDIT_MENU 306
#define IDS_IQ_TITLE 315
#define IDS_APP_TITLE 57344

// Commands.
#define ID_WINDOW_SPECTRUM 32774
#define ID_CONTROL_CONNECT 32784
#define ID_CONTROL_DISCONNECT 32785
#define ID_ANALYZER_3D 32798
#define ID_ANALYZER_2D 32799
#define ID_ANALYZER_ZOOM 32800
#define ID_ANALYZER_MARKER 32801
#define ID_ANALYZER_BANDPOWER 32802
#define ID_WINDOW_IQ 32803
#define ID_IP_COMBO 32855
#define ID_SELECT_MODE_COMBO 32860
#define ID_SETTING_PLAY 32891
#define ID_SETTING_VIEWER 32892
#define ID_SETTING_SYSTEM 32893
#define ID_SPECTRUM_UNDO 32902
#define ID_WINDOW_TILE_HORZ_MAIN 32903
#define ID_AUTO_RANGE 32904
#define ID_PEAK_SEARCH 32919
#define ID_MARKER_1 32921
#define ID_MARKER_2 32922
#define ID_MARKER_4 32924
#define ID_MARKER_3 32925
#define ID_SETTING_GRAPH 32935
#define ID_HOLD_MAX 32966
#define ID_HOLD_MIN 32967
#define ID_CLEAR_HOLD 32968
#define ID_MODE_ZEPHYRA 32988
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665

// Context-menu items of menu 119.
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637

// Application looks; 218 is the default and the only one a run ends up using.
#define ID_VIEW_APPLOOK_WIN_2000 210
#define ID_VIEW_APPLOOK_OFF_XP 211
#define ID_VIEW_APPLOOK_WIN_XP 212
#define ID_VIEW_APPLOOK_OFF_2003 213
#define ID_VIEW_APPLOOK_VS_2005 214
#define ID_VIEW_APPLOOK_OFF_2007_BLUE 215
#define ID_VIEW_APPLOOK_OFF_2007_BLACK 216
#define ID_VIEW_APPLOOK_OFF_2007_SILVER 217
#define ID_VIEW_APPLOOK_OFF_2007_AQUA 218
