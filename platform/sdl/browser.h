// What the game does differently on a web page, in one place, as
// platform/os.h holds what differs between operating systems: web.cpp in a
// browser build, desktop.cpp everywhere else, where each call does nothing
// or answers that the desktop's own way stands. The rest of the SDL platform
// asks here and never which build it is in.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace browser {

// Before SDL's video starts: the page's canvas becomes the game's window,
// and a hidden tab counts as the focus lost.
void prepare();

// The window is the page's canvas, of the picture's own pixels: the page
// scales and places it, so it has no border, no high-DPI pixels of its own
// and no full screen to switch to (Alt+Enter does nothing).
bool windowIsTheCanvas();
// The display as the game sees it on a page: the canvas, the picture's
// size. False on a desktop, whose display is the screen's.
bool canvasArea(SDL_Rect* area);

// Threads to show pictures on: none on a page.
bool hasThreads();

// The wait for the next frame, due at `dueNs` on the platform's clock. On a
// page it puts the latest picture on the canvas and hands the page's thread
// to the browser until its next animation frame (never longer than a tenth
// of a second): the browser takes keys and shows the picture meanwhile, and
// the frames due by then run in that animation frame. False on a desktop,
// whose wait is the platform's own.
bool waitForNextFrame(int64_t dueNs);
// On a page the frames keep a fixed 14 ms step on the clock and make up
// time the browser took from them, up to one step (at most two frames in
// one animation frame): a page is woken when the browser is ready, not when
// the game asks. False on a desktop, where a frame is due 14 ms after the
// last one began.
bool framesKeepAFixedStep();

// Sleeps until `when` (the platform's clock) by handing the page's thread
// to the browser; false on a desktop, where the caller sleeps.
bool sleepUntilNs(int64_t when);

// A message box's words, shown by the page, which goes on as if the box
// were closed at once; false on a desktop, where the box is SDL's.
bool showMessage(const char* caption, const char* text);

// The game has ended with `code`: on a page, the runtime ends and the page
// hears the code (it never sees main() return once the game has slept).
void end(int code);

}  // namespace browser
