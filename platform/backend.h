// The few entry points that differ between the real platform (platform/sdl)
// and the simulated one (platform/headless). Everything above them, the window
// class, the message queue, dispatch, device contexts and the display adapter,
// is shared code. Exactly one back end is linked into an executable.
#pragma once

#include <cstdint>

#include "platform/win.h"

struct SDL_Surface;

namespace backend {

// Operations whose answer the headless back end can replace, for fault
// injection. The real back end never replaces any (fault() answers 0).
enum class Op : int {
    DirectDrawCreate,
    QueryInterface,
    SetCooperativeLevel,
    SetDisplayMode,
    CreateSurface,
    GetAttachedSurface,
    BltFast,
    Blt,
    Flip,
    Restore,
    GetSurfaceDesc,
    GetDC,
    ReleaseDC,
    Lock,
    Unlock,
    SetColorKey,
    CreateWindow,
    SetTimer,
    LoadImage,
    CreateCompatibleDC,
    Count
};

// The code the n-th call of `op` must answer instead of doing its work, or 0
// to let it run. Called once per call of the operation, at its start.
HRESULT fault(Op op);

// Window. createWindow makes the one window, hidden; false when none can be
// made (no display at all). iconResource names the embedded icon, or is null.
bool createWindow(const char* title, int width, int height, const char* iconResource);
void showWindow();
void destroyWindow();
int screenWidth();
int screenHeight();

// Events. pollEvents turns what the platform has pending into messages
// (win_queue.h) without blocking; waitEvents blocks until at least one
// message is queued.
void pollEvents();
void waitEvents();

// Clock: a wrapping 32-bit millisecond count. calendarSeconds seeds the
// random generator.
uint32_t ticks();
uint32_t calendarSeconds();

// The wait for the next frame: blocks until at least one message is queued
// or the clock reads `tick`, whichever comes first, and returns at once when
// the clock already reads `tick` or later (the difference is taken modulo
// 2^32, as the game's clock wraps). The real platform sleeps, and comes back
// shortly before `tick` rather than after it, leaving the last fraction of
// a millisecond to the caller's next look at the clock; the simulated one
// moves its clock on to `tick`.
void waitEventsUntil(uint32_t tick);

// How the frames keep their pace. False: a frame is due 14 ms after the last
// one began, and one that ran long delays the next. True where the platform
// is woken late as a matter of course (a web page, woken at the browser's
// animation frames): the frames keep a fixed 14 ms step on the clock
// instead and make up lost time, up to one step.
bool framesKeepAFixedStep();

// Timer: from now on, a tick about every periodMs milliseconds, delivered
// through postTimerTick() (win_queue.h). false when no timer can be had.
bool startTimer(uint32_t periodMs);

// A modal message box; answers IDOK, IDRETRY or IDCANCEL.
int messageBox(const char* text, const char* caption, uint32_t type);

// Starts a wave file from the working directory asynchronously; a new sound
// cuts off one still playing; every failure is silence.
void playSound(const char* fileName);
// Reads a wave file ahead of its first play; one that is missing or cannot
// be played is said once, with the folder it was looked for in.
void preloadSound(const char* fileName);

// Developer diagnostics (never shown to the player).
void debugOutput(const char* text);

// Display. Each set-up step answers 0 or a failure code; the adapter
// (platform/ddraw.cpp) has already asked fault() for the step.
HRESULT displayCreate();
HRESULT displaySetCooperativeLevel(uint32_t flags);
HRESULT displaySetMode(int width, int height, int bitsPerPixel);
HRESULT displayCreatePrimary();
// Shows the 640 x 480 RGB565 back buffer.
HRESULT displayPresent(SDL_Surface* backBuffer);
// The device is let go (after the primary surface).
void displayRelease();

}  // namespace backend
