// What a back end uses to feed the shared message queue (platform/win.cpp).
#pragma once

#include "platform/win.h"

namespace winq {

// Posts a message to the game's window (no effect when there is none).
void postToWindow(UINT message, WPARAM wParam, LPARAM lParam);

// Posts one WM_TIMER tick for timer 1 to the window, unless a tick from the
// timer already waits in the queue: as on the original platform, at most one
// automatic tick waits at a time.
void postTimerTick();

// Sends a message straight to the window procedure, as the original platform
// does for activation: the procedure runs before this returns.
void sendToWindow(UINT message, WPARAM wParam, LPARAM lParam);

// True when a message (or the quit message) waits in the queue.
bool messageWaiting();

// The window, or null when there is none (not created yet, or destroyed).
HWND window();

// Forgets the queue, the window and the window class: a fresh process, for
// tests and for the simulator.
void reset();

}  // namespace winq
