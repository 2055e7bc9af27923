// Small services the program takes from the operating system.
#pragma once
#include <QString>
#include <functional>

#include "winbase/WinTypes.h"

// ShellExecuteW(open): tests replace the opener to record the address.
bool ShellOpen(const QString& url);
void SetShellOpenHandler(std::function<bool(const QString&)> handler);

// SystemParametersInfoW for the screen-saver flag only.
constexpr UINT SPI_GETSCREENSAVEACTIVE = 0x0010;
constexpr UINT SPI_SETSCREENSAVEACTIVE = 0x0011;
// GET writes a BOOL to pvParam; SET takes uiParam. Here SET FALSE inhibits the
// desktop's screen saver for this process (when a screen-saver service exists),
// SET TRUE lifts that inhibit again: nothing outlives the run.
BOOL SystemParametersInfo(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni);

constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
// Failure (no permission) is silent, as callers ignore it.
BOOL SetPriorityClass(DWORD priorityClass);

// Session notices: registered windows get WM_WTSSESSION_CHANGE with
// WTS_REMOTE_CONNECT / WTS_REMOTE_DISCONNECT.
BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD flags);
BOOL WTSUnRegisterSessionNotification(HWND hWnd);
void PostSessionChange(WPARAM code); // what the OS would do; used by tests

DWORD GetTickCount();
void Sleep(DWORD ms);

namespace win {
constexpr unsigned long INADDR_NONE_ = 0xFFFFFFFFul;
// Dotted IPv4 to network-order address; INADDR_NONE_ when not a dotted address.
unsigned long inet_addr(const char* text);
// Network-order address to dotted text.
QString inet_ntoa(unsigned long addrNetworkOrder);
} // namespace win

// InternetCheckConnectionW stand-in: answers from the OS's own reachability
// state, sends nothing and does not block.
BOOL InternetCheckConnection(const QString& url);
