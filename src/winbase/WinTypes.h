// Basic handle and message types shared by the program, the platform layer and
// the device library. Pure C++: no Qt, so the device library can use it.
#pragma once
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A window handle is an opaque number that is never reused; a message sent to a
// handle whose window is gone is dropped.
struct HWND__;
using HWND = HWND__*;

// A window that has a handle carries it (as an unsigned number) in this Qt
// property, so a library that knows only Qt can find the window of a handle.
constexpr const char* kHwndWidgetProperty = "zephyra_hwnd";

constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_WTSSESSION_CHANGE = 0x02B1;
constexpr WPARAM WTS_REMOTE_CONNECT = 0x3;
constexpr WPARAM WTS_REMOTE_DISCONNECT = 0x4;

// A window rectangle in screen pixels; right and bottom are one past the edge.
struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

inline WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
inline WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
