// The game on a web page: everything the SDL platform does differently
// there (browser.h), in one place.
//
// - The page's thread is the game's: every wait hands it back to the browser
//   (ASYNCIFY), or nothing else on the page would run, keys, timers and the
//   canvas's painting included. The wait between frames lasts until the
//   browser's next animation frame; the wait of a paused game is SDL's own,
//   which sleeps the same way in a browser.
// - The frames keep a fixed step on the clock and make up what the browser
//   took from them (the shell's pump, framesKeepAFixedStep): a browser wakes
//   a page when it is ready, late by its painting, its timers' alignment or
//   a slow processor, and lateness that was never made up slowed the game.
// - A picture is put on the canvas as the game hands its thread to the
//   browser, which shows it at that animation frame: of two frames run in
//   one animation frame only the second's picture is drawn, as the first's
//   would never be seen.
// - The window is the page's canvas, of the picture's own 640 x 480 pixels,
//   which the page scales; there is no full screen to switch to.
// - Switching to another tab pauses the game, as switching to another
//   program does on the desktop.
// - Message boxes, each picture put on the canvas and the end of the game
//   reach the page (Module.onGameMessage, Module.onPicture, Module.onExit in
//   web/page.js).
#include <emscripten.h>

#include <cstdint>

#include "platform/sdl/browser.h"
#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"

namespace {

// However the browser holds back its animation frames (a tab being hidden
// stops them), the game looks at its keys and its clock at least this often.
constexpr int LongestFrameWaitMs = 100;
// A frame due sooner than this is waited for by looking at the clock, as on
// the desktop.
constexpr int64_t PolledNs = 50'000;

}  // namespace

// The page's side (web/page.js).
// clang-format off
EM_JS(void, pageShowMessage, (const char* caption, const char* text), {
    if (Module.onGameMessage) Module.onGameMessage(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, pagePictureShown, (), {
    if (Module.onPicture) Module.onPicture();
});

// The page's thread goes back to the browser until its next animation frame
// (or `limitMs`, should none come), where the game goes on. The page hears
// of each such wait as soon as the game has let go of its thread
// (Module.onWait): its touch controls let go of a tap there, which the
// frames just run have seen.
EM_ASYNC_JS(void, pageWaitForAnimationFrame, (int limitMs), {
    if (Module.onWait) Promise.resolve().then(Module.onWait);
    await new Promise((resume) => {
        const timer = setTimeout(resume, limitMs);
        requestAnimationFrame(() => {
            clearTimeout(timer);
            resume();
        });
    });
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

namespace {

// While one lives, SDL shows a picture without handing the page's thread to
// the browser after it, as it does by default so that a program that never
// sleeps still lets the page paint: the game's wait hands it over right
// after.
class PresentWithoutYield {
public:
    PresentWithoutYield() { SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0"); }
    ~PresentWithoutYield() { SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "1"); }
    PresentWithoutYield(const PresentWithoutYield&) = delete;
    PresentWithoutYield& operator=(const PresentWithoutYield&) = delete;
};

}  // namespace

namespace browser {

void prepare() {
    // The canvas is a window of the picture's size from the start; a page
    // does not take the screen unasked.
    sdlplat::setStartWindowed(true);
    pageFocusFollowsTab();
}

bool windowIsTheCanvas() { return true; }

bool canvasArea(SDL_Rect* area) {
    const SDL_Point picture = sdlplat::pictureSize();
    *area = SDL_Rect{0, 0, picture.x, picture.y};
    return true;
}

bool hasThreads() { return false; }

bool waitForNextFrame(int64_t dueNs) {
    if (dueNs - sdlplat::nowNs() <= PolledNs) return true;
    {
        const PresentWithoutYield waitsAfter;
        if (screen::showWaitingPicture()) pagePictureShown();
    }
    pageWaitForAnimationFrame(LongestFrameWaitMs);
    return true;
}

bool framesKeepAFixedStep() { return true; }

bool sleepUntilNs(int64_t when) {
    const int64_t left = when - sdlplat::nowNs();
    if (left > 0) emscripten_sleep(static_cast<unsigned>((left + 999'999) / 1'000'000));
    return true;
}

bool showMessage(const char* caption, const char* text) {
    pageShowMessage(caption, text);
    return true;
}

void end(int code) {
    // main() returning is not seen by the page once the game has slept:
    // the runtime is ended outright, which calls Module.onExit.
    emscripten_force_exit(code);
}

}  // namespace browser

// What the page may ask the game, by name (Module._pako_...).
extern "C" {

// The pump's steps so far: one a frame while the game runs. The page's
// touch controls hold a key until the game has run a frame with it, so that
// a tap shorter than a frame still counts (the game reads keys once a frame).
EMSCRIPTEN_KEEPALIVE double pako_frames_run() { return static_cast<double>(pumpStep()); }

// The name of the sound playing now, or null (for the page's tests).
EMSCRIPTEN_KEEPALIVE const char* pako_sound_playing() { return sdlplat::soundNowPlaying(); }
}
