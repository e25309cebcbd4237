// The game in a web browser: everything the SDL platform does differently
// on a page, in one place. The rest of the platform runs as it is; where it
// must differ, a line under __EMSCRIPTEN__ calls in here.
//
// - The page's thread is the game's: every wait hands it back to the browser
//   (ASYNCIFY's emscripten_sleep), or nothing else on the page would run,
//   keys, timers and the canvas's painting included. The wait between frames
//   sleeps here (sleepInBrowserUntilNs); the wait of a paused game is SDL's
//   own, which sleeps the same way in a browser.
// - The window is the page's canvas, of the picture's own 640 x 480 pixels,
//   which the page scales; there is no full screen to switch to.
// - Switching to another tab pauses the game, as switching to another
//   program does on the desktop.
// - Message boxes and the end of the game reach the page
//   (Module.onGameMessage, Module.onExit in web/index.html).
#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"

namespace {

// A browser's timer wakes a little late, up to a millisecond or two on a
// busy machine: the sleep ends before it is due by about as much as the
// timer was late the last times, and the rest is polled, so that frames
// still start on their millisecond. Polling is kept short, as a phone's
// processor (or one slowed down) pays for every moment of it.
constexpr int Kept = 32;
int64_t lateness[Kept] = {};
int latenessKept = 0;  // up to Kept
int latenessNext = 0;
constexpr int64_t LeastEarlyNs = 250'000;
constexpr int64_t MostEarlyNs = 2'000'000;

// Nine wakes in ten of the last ones, and a little more.
int64_t earlyNs() {
    if (latenessKept < Kept) return MostEarlyNs;
    int64_t sorted[Kept];
    std::copy(lateness, lateness + Kept, sorted);
    std::nth_element(sorted, sorted + Kept * 9 / 10, sorted + Kept);
    return std::clamp(sorted[Kept * 9 / 10] + 200'000, LeastEarlyNs, MostEarlyNs);
}

}  // namespace

// The page's side (web/index.html).
// clang-format off
EM_JS(void, pageShowMessage, (const char* caption, const char* text), {
    if (Module.onGameMessage) Module.onGameMessage(UTF8ToString(caption), UTF8ToString(text));
});

// A tab hidden or shown counts as the page's focus lost or found: the page
// hears a blur or a focus as when its window loses or gets the focus, and
// SDL turns either into the window's focus event. A tab shown in a browser
// window that has not the focus stays paused.
EM_JS(void, pageFocusFollowsTab, (), {
    document.addEventListener('visibilitychange', () => {
        if (document.hidden)
            window.dispatchEvent(new FocusEvent('blur'));
        else if (document.hasFocus())
            window.dispatchEvent(new FocusEvent('focus'));
    });
});
// clang-format on

namespace sdlplat {

void prepareBrowser() {
    // The canvas is a window of the picture's size from the start; a page
    // does not take the screen unasked.
    setStartWindowed(true);
    pageFocusFollowsTab();
}

SDL_Rect canvasArea() {
    const SDL_Point picture = pictureSize();
    return SDL_Rect{0, 0, picture.x, picture.y};
}

void sleepInBrowserUntilNs(int64_t when) {
    const int64_t now = nowNs();
    const int64_t left = when - now;
    if (left <= 0) return;
    const int64_t sleepMs = (left - earlyNs()) / 1'000'000;
    if (sleepMs > 0) {
        emscripten_sleep(static_cast<unsigned>(sleepMs));
        lateness[latenessNext] = std::max<int64_t>(0, nowNs() - now - sleepMs * 1'000'000);
        latenessNext = (latenessNext + 1) % Kept;
        latenessKept = std::min(latenessKept + 1, Kept);
    }
    while (nowNs() < when) {
    }
}

PresentWithoutYield::PresentWithoutYield() { SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0"); }

PresentWithoutYield::~PresentWithoutYield() { SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "1"); }

void showOnPage(const char* caption, const char* text) { pageShowMessage(caption, text); }

void endInBrowser(int code) {
    // main() returning is not seen by the page once the game has slept:
    // the runtime is ended outright, which calls Module.onExit.
    emscripten_force_exit(code);
}

}  // namespace sdlplat

// What the page may ask the game, by name (Module._pako_...).
extern "C" {

// Pictures put on the canvas so far: the page copies the canvas to the
// screen when this has grown.
EMSCRIPTEN_KEEPALIVE int pako_pictures_shown() {
    return static_cast<int>(sdlplat::picturesShownSoFar());
}

// The pump's steps so far: one a frame while the game runs. The page's
// touch controls hold a key until the game has run a frame with it, so that
// a tap shorter than a frame still counts (the game reads keys once a frame).
EMSCRIPTEN_KEEPALIVE double pako_frames_run() { return static_cast<double>(pumpStep()); }

// The name of the sound playing now, or null (for the page's tests).
EMSCRIPTEN_KEEPALIVE const char* pako_sound_playing() { return sdlplat::soundNowPlaying(); }
}
