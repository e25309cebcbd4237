// The Windows services the game relies on, rebuilt small: window, messages,
// timer, clock, message boxes, sound, debugger output and module handles.
// Names, constants and values are those the game code was written against, so
// each step of the game reads as it always did. The bookkeeping behind them
// (window class, message queue, dispatch) lives once in platform/win.cpp; the
// few things that differ per platform are behind platform/backend.h.
#pragma once

#include <cstdint>

using BOOL = int;
using UINT = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using HRESULT = int32_t;
using WPARAM = uint32_t;
using LPARAM = int32_t;
using LRESULT = int32_t;

struct WindowRecord;
struct ModuleRecord;
struct IconRecord;
struct CursorRecord;
struct GdiObject;
struct DeviceContext;
using HWND = WindowRecord*;
using HINSTANCE = ModuleRecord*;
using HMODULE = ModuleRecord*;
using HICON = IconRecord*;
using HCURSOR = CursorRecord*;
using HGDIOBJ = GdiObject*;
using HBRUSH = GdiObject*;
using HBITMAP = GdiObject*;
using HMENU = void*;
using HDC = DeviceContext*;
using COLORREF = uint32_t;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Result codes.
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

// Messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_TIMER = 0x0113;

// Virtual-key codes.
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_F12 = 0x7B;

// Window class and window styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008u;
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr int BLACK_BRUSH = 4;

// Message boxes.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;

// Sound.
constexpr DWORD SND_ASYNC = 0x00000001;
constexpr DWORD SND_FILENAME = 0x00020000;

// Resources are named by strings; a number n is written "#n", as the
// original platform spells numeric resource names.
#define MAKEINTRESOURCEA(n) ("#" #n)
constexpr const char* IDC_ARROW = "#32512";

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
};

// USER: windows and messages.
int RegisterClassA(const WNDCLASSA* cls);
HICON LoadIconA(HINSTANCE instance, const char* name);
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
int GetSystemMetrics(int index);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
BOOL ShowWindow(HWND hwnd, int showCommand);
BOOL UpdateWindow(HWND hwnd);
HWND SetFocus(HWND hwnd);
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT periodMs, void* callback);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL WaitMessage();
// The pump's wait for its next frame: sleeps until a message is queued or
// the millisecond clock reads `tick`, whichever comes first, and returns at
// once when either holds already (the difference is taken modulo 2^32, as
// the clock wraps). The real platform may come back a fraction of a
// millisecond before `tick`, for the caller to look at the clock again; it
// never sleeps past it.
void waitMessageUntil(DWORD tick);
HCURSOR SetCursor(HCURSOR cursor);
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DestroyWindow(HWND hwnd);

// GDI: the stock brush (the rest of GDI is in platform/gdi.h).
HGDIOBJ GetStockObject(int index);

// WinMM.
DWORD timeGetTime();
BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags);

// Recording and replaying games. The pump's passes are counted as the
// simulator counts its steps: a step is a frame that ran or, while the game
// is inactive, the messages it took before it slept. The messages taken
// while the pump waits for a frame belong to that frame's step. A watcher is told of
// every look at the queue (before the platform brings anything new), of
// every message taken from it but the quit message, with where it came
// from, and of the game going to sleep for lack of messages.
enum class MessageOrigin : uint8_t {
    Game,     // posted by the game itself (the close of Escape, F12, EXIT)
    Outside,  // brought by the platform: keys, activation, the window's close
    Timer,    // the timer's tick
};
struct PumpWatcher {
    void (*lookingAtQueue)();
    void (*messageTaken)(const MSG& msg, MessageOrigin origin);
    void (*aboutToSleep)();
};
void setPumpWatcher(const PumpWatcher* watcher);  // null: nobody
int64_t pumpStep();
// Moves the count on to `step` (never back): a replay whose next messages
// lie further on while the game sleeps.
void setPumpStep(int64_t step);

// Reads a sound file of the working directory ahead of its first play, so
// that a missing one is said at start-up rather than found silent in play.
void preloadSound(const char* fileName);

// Told of every sound the game asks for, with the name it passed, before it
// plays; a trace of the game listens here. Null (the default): nobody.
using SoundObserver = void (*)(const char* fileName);
void setSoundObserver(SoundObserver observer);

// Kernel.
HMODULE GetModuleHandleA(const char* moduleName);
void OutputDebugStringA(const char* text);
