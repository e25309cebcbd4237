// The one window: an SDL window that covers the desktop (or, asked for, a
// window of a whole multiple of the picture), its icon, and Alt+Enter's
// switch between the two. What is drawn in it is screen.cpp's.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "platform/sdl/browser.h"
#include "platform/sdl/sdl_platform.h"

namespace {

bool videoUp = false;
SDL_Window* theWindow = nullptr;
bool isFullscreen = true;
bool startWindowed = false;

void setIcon(const char* resource) {
    const EmbeddedFile* file = resource ? findResource(resource) : nullptr;
    if (!file) return;
    SDL_RWops* rw = SDL_RWFromConstMem(file->data, static_cast<int>(file->size));
    SDL_Surface* icon = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    if (!icon) return;
    SDL_SetWindowIcon(theWindow, icon);
    SDL_FreeSurface(icon);
}

SDL_Rect displayArea(bool usable) {
    SDL_Rect area{0, 0, 0, 0};
    if (browser::canvasArea(&area)) return area;
    int display = theWindow ? SDL_GetWindowDisplayIndex(theWindow) : 0;
    if (display < 0) display = 0;
    if (usable && SDL_GetDisplayUsableBounds(display, &area) == 0 && area.w > 0 && area.h > 0)
        return area;
    if (SDL_GetDisplayBounds(display, &area) != 0) area = SDL_Rect{0, 0, 640, 480};
    return area;
}

// Output pixels per window coordinate: more than 1 on a high-DPI display.
double pixelScale() {
    int winW = 0, winH = 0, outW = 0, outH = 0;
    SDL_GetWindowSize(theWindow, &winW, &winH);
    SDL_GetWindowSizeInPixels(theWindow, &outW, &outH);
    if (winW <= 0 || outW <= 0) return 1.0;
    return static_cast<double>(outW) / winW;
}

// The window of Alt+Enter: the largest whole multiple of the picture that
// fits the desktop's usable area, centred on it.
void becomeWindow() {
    const SDL_Rect area = displayArea(true);
    const double scale = pixelScale();
    const SDL_Point picture = sdlplat::pictureSize();
    const int k = sdlplat::windowedScale(static_cast<int>(area.w * scale),
                                         static_cast<int>(area.h * scale), picture.x, picture.y);
    const int w = static_cast<int>(std::lround(picture.x * k / scale));
    const int h = static_cast<int>(std::lround(picture.y * k / scale));
    SDL_SetWindowFullscreen(theWindow, 0);
    SDL_SetWindowBordered(theWindow, SDL_TRUE);
    SDL_SetWindowSize(theWindow, w, h);
    SDL_SetWindowPosition(theWindow, area.x + (area.w - w) / 2, area.y + (area.h - h) / 2);
    isFullscreen = false;
}

// SDL's OpenGL renderers want a window made for OpenGL, and one that is not
// is destroyed and made again when the renderer opens: the player would see
// the game's window come, go and come back, and anything that found the
// first one (a window manager's focus, a test) would hold a window that is
// gone. So the window is made for OpenGL from the start where the renderer
// SDL picks (the one named in SDL_RENDER_DRIVER, or else its first) is one,
// and as before where the video driver has no OpenGL (SDL's dummy driver):
// the renderer then finds its own way.
Uint32 flagsForRenderer() {
    const char* named = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    SDL_RendererInfo first{};
    const char* driver = named && *named                           ? named
                         : SDL_GetRenderDriverInfo(0, &first) == 0 ? first.name
                                                                   : nullptr;
    return driver && SDL_strncasecmp(driver, "opengl", 6) == 0 ? SDL_WINDOW_OPENGL : 0;
}

// Full screen on the desktop. Without a window manager nobody carries the
// request out, and the window would keep its old size and place while the
// picture is laid out for the whole screen: the window is put over the
// whole display by hand as well.
bool becomeFullscreen() {
    SDL_SetWindowBordered(theWindow, SDL_FALSE);
    const SDL_Rect all = displayArea(false);
    SDL_SetWindowPosition(theWindow, all.x, all.y);
    SDL_SetWindowSize(theWindow, all.w, all.h);
    if (SDL_SetWindowFullscreen(theWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    isFullscreen = true;
    return true;
}

}  // namespace

namespace sdlplat {

bool initVideo() {
    if (videoUp) return true;
    browser::prepare();
    // The south face button is "A" wherever it sits, not the button so labelled.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    // Switching to another program must not leave the game minimised behind it.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Under Wine, SDL's usual Direct3D on Windows is translated into OpenGL
    // (on Xvfb, 92 % of a core in play), and OpenGL's own window stays black
    // on Xvfb: SDL's software renderer shows the same pictures for 6 %.
    // Windows itself keeps Direct3D. (A default only: SDL_RENDER_DRIVER
    // still chooses.)
    if (os::runsUnderWine())
        SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
    {
        // Drivers tried and found wanting may say so on their own (no
        // Wayland here, no runtime folder there): the game says in one line
        // what came of it.
        QuietStandardError quiet;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    }
    // Without a display SDL falls back to drivers that show nothing, and the
    // game would run unseen: those only when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    const bool unseen =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (unseen && (!asked || !*asked)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        const bool named = SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY");
        SDL_SetError(named ? "the display named in DISPLAY or WAYLAND_DISPLAY cannot be opened"
                           : "neither DISPLAY nor WAYLAND_DISPLAY is set");
        return false;
    }
    sdlplat::filterWindowEvents();
    sdlplat::watchDisplay();
    sdlplat::watchHangUp();
    // Without controller support the keyboard alone plays the game.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    videoUp = true;
    return true;
}

SDL_Window* window() { return theWindow; }

SDL_Rect letterbox(int outW, int outH, int w, int h) {
    if (outW <= 0 || outH <= 0 || w <= 0 || h <= 0) return SDL_Rect{0, 0, 0, 0};
    // The side that fills decides the scale; 64-bit products cannot overflow.
    int64_t fitW = outW, fitH = outH;
    if (int64_t{outW} * h > int64_t{outH} * w)
        fitW = int64_t{outH} * w / h;
    else
        fitH = int64_t{outW} * h / w;
    const int rw = static_cast<int>(fitW), rh = static_cast<int>(fitH);
    return SDL_Rect{(outW - rw) / 2, (outH - rh) / 2, rw, rh};
}

int windowedScale(int areaW, int areaH, int w, int h) {
    if (w <= 0 || h <= 0) return 1;
    const int k = std::min(areaW / w, areaH / h);
    return k < 1 ? 1 : k;
}

bool fullscreen() { return isFullscreen; }

void toggleFullscreen() {
    // On a page the picture's size is the page's business: Alt+Enter does
    // nothing.
    if (!theWindow || browser::windowIsTheCanvas()) return;
    if (isFullscreen)
        becomeWindow();
    else
        becomeFullscreen();
}

void setStartWindowed(bool windowed) { startWindowed = windowed; }

bool applyStartingMode() {
    if (!theWindow) return false;
    if (!startWindowed) return becomeFullscreen();
    becomeWindow();
    return true;
}

void shutdown() {
    shutdownSound();
    stopTimer();
    if (theWindow) backend::destroyWindow();
    resetInput();
    resetScreen();
    forgetStartUp();
    stopWatchingHangUp();
    SDL_Quit();
    videoUp = false;
    isFullscreen = true;
}

}  // namespace sdlplat

namespace backend {

int screenWidth() { return sdlplat::initVideo() ? displayArea(false).w : 0; }

int screenHeight() { return sdlplat::initVideo() ? displayArea(false).h : 0; }

bool createWindow(const char* title, int width, int height, const char* iconResource) {
    if (!sdlplat::initVideo()) {
        std::fprintf(stderr, "pako: no display to show the game on: %s\n", SDL_GetError());
        return false;
    }
    if (theWindow) destroyWindow();
    const SDL_Rect area = displayArea(false);
    if (width <= 0 || height <= 0) {
        width = area.w;
        height = area.h;
    }
    // Borderless over the whole desktop, as the original's popup window; the
    // cooperative-level step then makes it full screen on the desktop.
    // Not kept above other windows: the game pauses when another program is
    // chosen, and that program must then be seen.
    // The canvas keeps the picture's own pixels on a high-DPI screen too:
    // the page scales it.
    const Uint32 flags =
        SDL_WINDOW_HIDDEN | flagsForRenderer() |
        (browser::windowIsTheCanvas() ? 0 : SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI);
    theWindow = SDL_CreateWindow(title, area.x, area.y, width, height, flags);
    if (!theWindow && (flags & SDL_WINDOW_OPENGL))
        theWindow =
            SDL_CreateWindow(title, area.x, area.y, width, height, flags & ~SDL_WINDOW_OPENGL);
    if (!theWindow) {
        std::fprintf(stderr, "pako: cannot open the game's window: %s\n", SDL_GetError());
        return false;
    }
    setIcon(iconResource);
    SDL_ShowCursor(SDL_DISABLE);
    isFullscreen = true;
    return true;
}

void showWindow() {
    if (!theWindow) return;
    SDL_ShowWindow(theWindow);
    SDL_RaiseWindow(theWindow);
    sdlplat::windowActivated();
    sdlplat::prepareSound();
}

void destroyWindow() {
    displayRelease();
    sdlplat::stopTimer();
    sdlplat::resetInput();
    if (theWindow) SDL_DestroyWindow(theWindow);
    theWindow = nullptr;
    SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace backend
