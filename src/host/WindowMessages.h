// The window messages and virtual-key codes that the host delivers to the game window's
// procedure and to the keyboard hook.
//
// The numbering follows the classic desktop convention the engine's window procedure was
// written against: the key table maps virtual keys to internal key codes by arithmetic
// (F1..F8 = vk - 101, letters = vk - 35, digits = vk + 8), so the values matter.
#pragma once

#include <cstdint>

// Message parameters: a word and a signed long, both wide enough for a pointer.
using WParam = uint64_t;
using LParam = int64_t;
using LResult = int64_t;

struct WindowMessage
{
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Message ids.
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;      // LOWORD(wParam): WA_INACTIVE / WA_ACTIVE
inline constexpr uint32_t WM_CLOSE = 0x0010;         // the user asked to close the window
inline constexpr uint32_t WM_QUIT = 0x0012;          // ends the message pump; never dispatched
inline constexpr uint32_t WM_KEYDOWN = 0x0100;       // wParam: virtual key; lParam: key data
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;    // as WM_KEYDOWN, with Alt held
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;    // wParam: SC_*
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;     // lParam: x low word, y high word (signed)
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;     // HIWORD(wParam): signed delta, 120 a notch
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215; // the window lost the mouse capture

// WM_ACTIVATE states.
inline constexpr uint32_t WA_INACTIVE = 0;
inline constexpr uint32_t WA_ACTIVE = 1;

// WM_SYSCOMMAND commands.
inline constexpr uint32_t SC_SCREENSAVE = 0xF140;
inline constexpr uint32_t SC_MONITORPOWER = 0xF170;

// Keyboard hook codes.
inline constexpr int HC_ACTION = 0;

// Key data in lParam of the key messages: bits 0-15 repeat count, 16-23 scan code,
// 29 Alt held, 30 key was already down (an auto-repeat), 31 key is being released.
inline constexpr LParam KEYDATA_ALT = LParam(1) << 29;
inline constexpr LParam KEYDATA_PREVIOUS_DOWN = LParam(1) << 30;
inline constexpr LParam KEYDATA_RELEASING = LParam(1) << 31;

inline constexpr uint32_t LowWord(uint64_t value) { return uint32_t(value & 0xFFFF); }
inline constexpr uint32_t HighWord(uint64_t value) { return uint32_t((value >> 16) & 0xFFFF); }
inline constexpr int32_t SignedLowWord(uint64_t value) { return int16_t(uint16_t(value & 0xFFFF)); }
inline constexpr int32_t SignedHighWord(uint64_t value) { return int16_t(uint16_t((value >> 16) & 0xFFFF)); }
// Packs a client-area position as the mouse messages carry it.
inline constexpr LParam MakePointLParam(int32_t x, int32_t y)
{
    return LParam((uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16)));
}
// Packs key data: a repeat count of 1 plus the given flags.
inline constexpr LParam MakeKeyLParam(uint32_t scanCode, LParam flags)
{
    return LParam(1) | (LParam(scanCode & 0xFF) << 16) | flags;
}

// Virtual-key codes.
inline constexpr uint32_t VK_BACK = 0x08;
inline constexpr uint32_t VK_TAB = 0x09;
inline constexpr uint32_t VK_RETURN = 0x0D;
inline constexpr uint32_t VK_SHIFT = 0x10;
inline constexpr uint32_t VK_CONTROL = 0x11;
inline constexpr uint32_t VK_MENU = 0x12; // Alt
inline constexpr uint32_t VK_PAUSE = 0x13;
inline constexpr uint32_t VK_CAPITAL = 0x14;
inline constexpr uint32_t VK_ESCAPE = 0x1B;
inline constexpr uint32_t VK_SPACE = 0x20;
inline constexpr uint32_t VK_PRIOR = 0x21; // Page Up
inline constexpr uint32_t VK_NEXT = 0x22;  // Page Down
inline constexpr uint32_t VK_END = 0x23;
inline constexpr uint32_t VK_HOME = 0x24;
inline constexpr uint32_t VK_LEFT = 0x25;
inline constexpr uint32_t VK_UP = 0x26;
inline constexpr uint32_t VK_RIGHT = 0x27;
inline constexpr uint32_t VK_DOWN = 0x28;
inline constexpr uint32_t VK_SNAPSHOT = 0x2C; // Print Screen
inline constexpr uint32_t VK_INSERT = 0x2D;
inline constexpr uint32_t VK_DELETE = 0x2E;
inline constexpr uint32_t VK_0 = 0x30; // '0'..'9' are 0x30..0x39
inline constexpr uint32_t VK_A = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr uint32_t VK_LWIN = 0x5B;
inline constexpr uint32_t VK_RWIN = 0x5C;
inline constexpr uint32_t VK_APPS = 0x5D;
inline constexpr uint32_t VK_NUMPAD0 = 0x60; // ..0x69
inline constexpr uint32_t VK_MULTIPLY = 0x6A;
inline constexpr uint32_t VK_ADD = 0x6B;
inline constexpr uint32_t VK_SUBTRACT = 0x6D;
inline constexpr uint32_t VK_DECIMAL = 0x6E;
inline constexpr uint32_t VK_DIVIDE = 0x6F;
inline constexpr uint32_t VK_F1 = 0x70; // ..VK_F12 = 0x7B
inline constexpr uint32_t VK_F8 = 0x77;
inline constexpr uint32_t VK_F12 = 0x7B;
inline constexpr uint32_t VK_NUMLOCK = 0x90;
inline constexpr uint32_t VK_SCROLL = 0x91;
inline constexpr uint32_t VK_OEM_1 = 0xBA;      // ;:
inline constexpr uint32_t VK_OEM_PLUS = 0xBB;   // =+
inline constexpr uint32_t VK_OEM_COMMA = 0xBC;
inline constexpr uint32_t VK_OEM_MINUS = 0xBD;
inline constexpr uint32_t VK_OEM_PERIOD = 0xBE;
inline constexpr uint32_t VK_OEM_2 = 0xBF;      // /?
inline constexpr uint32_t VK_OEM_3 = 0xC0;      // `~
inline constexpr uint32_t VK_OEM_4 = 0xDB;      // [{
inline constexpr uint32_t VK_OEM_5 = 0xDC;      // backslash
inline constexpr uint32_t VK_OEM_6 = 0xDD;      // ]}
inline constexpr uint32_t VK_OEM_7 = 0xDE;      // quote
