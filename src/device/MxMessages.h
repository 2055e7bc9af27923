// Program messages: window messages WM_USER + 1001 .. WM_USER + 1077,
// posted by the device library or by the program's own windows. Pure C++.
#pragma once
#include "winbase/WinTypes.h"

// Posted by the main frame to itself.
constexpr UINT WM_AFTER_CONNECT = WM_USER + 1001;    // 0x7E9
constexpr UINT WM_AFTER_DISCONNECT = WM_USER + 1002; // 0x7EA
// Library -> main frame: wParam 9 = end of file (play bar back to 0).
constexpr UINT WM_PLAY_EVENT = WM_USER + 1005; // 0x7ED
// Library -> main frame: wParam 1 = I/Q only, other = spectrum and I/Q.
constexpr UINT WM_MEASURE_DATA = WM_USER + 1008; // 0x7F0
// Library -> file browser (reply window): wParam 2 = play request done.
constexpr UINT WM_PLAY_FILE_RESULT = WM_USER + 1013; // 0x7F5
// Library -> discovery dialog: lParam = const DeviceInfoRecord*, owned by the delivery.
constexpr UINT WM_DEVICE_FOUND = WM_USER + 1015; // 0x7F7
// Library -> file browser: wParam 2 = renamed.
constexpr UINT WM_RENAME_RESULT = WM_USER + 1016; // 0x7F8
// Library -> play bar (reply window): position in DeviceDataStore m_nPlayPosSec;
// wParam 138 or 145 slider follows, 146 slider back to 0.
constexpr UINT WM_PLAY_POSITION = WM_USER + 1018; // 0x7FA
// Program -> main frame: spectrum graph set up again.
constexpr UINT WM_SPECTRUM_SETUP = WM_USER + 1019; // 0x7FB
// Library -> main frame: counters in DeviceDataStore.
constexpr UINT WM_TRANSFER_PROGRESS = WM_USER + 1020; // 0x7FC
// Library -> main frame: spectrum and I/Q axes set up again.
constexpr UINT WM_GRAPH_AXES_UPDATE = WM_USER + 1022; // 0x7FE
// Library -> main frame: wParam = instrument status code.
constexpr UINT WM_STATUS_MESSAGE = WM_USER + 1024; // 0x800
// Library -> main frame: wParam = bytes per second.
constexpr UINT WM_TRANSFER_RATE = WM_USER + 1029; // 0x805
// Front panel -> play bar (wParam 0) and main frame (wParam 1).
constexpr UINT WM_SAMPLE_CLOCK_CHANGED = WM_USER + 1030; // 0x806
// Library -> System page: wParam 4..24 drive 'A'+wParam found, 25 search over.
constexpr UINT WM_DRIVE_FOUND = WM_USER + 1031; // 0x807
// Library -> file browser: folder records in DeviceDataStore m_vecFolders.
constexpr UINT WM_FOLDER_LIST_READY = WM_USER + 1032; // 0x808
// Library -> file browser: file records in DeviceDataStore m_vecFiles.
constexpr UINT WM_FILE_LIST_READY = WM_USER + 1033; // 0x809
// wParam of the two list messages: the instrument's answer could not be read
// (the records are left as they were); 0 for a listing.
constexpr WPARAM MX_LIST_REFUSED = 1;
// File browser -> main frame.
constexpr UINT WM_PLAY_FILE_CHANGED = WM_USER + 1034; // 0x80A
// A list dialog to itself.
constexpr UINT WM_LIST_CHECK_CHANGED = WM_USER + 1036; // 0x80C
// Library -> copy dialog: wParam = percent of the current file.
constexpr UINT WM_COPY_PROGRESS = WM_USER + 1037; // 0x80D
constexpr UINT WM_IGNORED_80E = WM_USER + 1038;   // 0x80E
// Library -> main frame: wait box shown.
constexpr UINT WM_WAIT_SHOW = WM_USER + 1040; // 0x810
// Main frame to itself: wait box closed.
constexpr UINT WM_WAIT_CLOSE = WM_USER + 1041; // 0x811
// Library -> main frame: power unit changed (m_nPowerUnitFrom -> m_nPowerUnitTo).
constexpr UINT WM_POWER_UNIT_CHANGED = WM_USER + 1042; // 0x812
constexpr UINT WM_IGNORED_814 = WM_USER + 1044;        // 0x814
constexpr UINT WM_IGNORED_815 = WM_USER + 1045;        // 0x815
constexpr UINT WM_IGNORED_816 = WM_USER + 1046;        // 0x816
// Library -> main frame: posts WM_WAIT_CLOSE then WM_POWER_RANGE_UPDATE.
constexpr UINT WM_WAIT_DONE = WM_USER + 1047; // 0x817
// Library -> System page: drive list back to "Select".
constexpr UINT WM_DRIVE_LIST_RESET = WM_USER + 1061; // 0x825
// Library -> main frame: browser, play list and play bar emptied.
constexpr UINT WM_PLAY_LIST_CLEAR = WM_USER + 1062; // 0x826
// Main frame to itself.
constexpr UINT WM_POWER_RANGE_UPDATE = WM_USER + 1063; // 0x827
// Main frame -> DeviceDataStore m_hTestNotifyWnd (no window of the program).
constexpr UINT WM_BAND_POWER_TEST = WM_USER + 1065;   // 0x829
constexpr UINT WM_MASK_RESULT = WM_USER + 1066;       // 0x82A
constexpr UINT WM_BAND_POWER_RESULT = WM_USER + 1067; // 0x82B
// Library -> main frame (reply to MX_CMD_CONNECT): wParam 2 connected, 4 link lost,
// 0 disconnected (also posted by the main frame itself).
constexpr UINT WM_CONNECT_STATE = WM_USER + 1071; // 0x82F
// Spectrum view / graph dialog -> main frame: wParam text index, lParam key.
constexpr UINT WM_GRAPH_KEY = WM_USER + 1072; // 0x830
// Play bar -> main frame (sent).
constexpr UINT WM_PLAY_PREV = WM_USER + 1073; // 0x831
constexpr UINT WM_PLAY_NEXT = WM_USER + 1074; // 0x832
// Library -> main frame.
constexpr UINT WM_PLAYBAR_NEXT = WM_USER + 1075; // 0x833
constexpr UINT WM_PLAYBAR_PLAY = WM_USER + 1076; // 0x834
// Library -> calibration dialog: wParam 0 UPC, 1 ATT, 2 DOC; lParam value in tenths.
constexpr UINT WM_CAL_VALUE = WM_USER + 1077; // 0x835

static_assert(WM_AFTER_CONNECT == 0x7E9 && WM_CAL_VALUE == 0x835);
static_assert(WM_CONNECT_STATE == 0x82F && WM_MEASURE_DATA == 0x7F0 && WM_DEVICE_FOUND == 0x7F7);
