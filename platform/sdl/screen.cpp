// The screen: the display set-up steps and the flips of the game's display
// device, over the picture on the window (picture.cpp) and the presenter
// that shows it (presenter.cpp).
//
// SDL's dummy and off-screen video drivers (asked for by name) have no
// screen: nothing is drawn there, unless PAKO_DRAW_OFFSCREEN asks for it
// (the tests that look at the drawn picture).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/backend.h"
#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_platform.h"

namespace {

int64_t refresh = 0;    // the screen's refresh period; 0: not known
bool noScreen = false;  // a video driver without a screen

// PAKO_FRAME_LOG: a line for every flip ("F", the time its frame began and
// the time of the flip, in microseconds) and for every picture shown ("S",
// the time it came back and how long showing it took), for the timing tests
// and the benchmarks.
FILE* frameLog = nullptr;
std::mutex logLock;

HRESULT failed(const char* what) {
    std::fprintf(stderr, "pako: %s: %s\n", what, SDL_GetError());
    return E_FAIL;
}

void logLine(char what, int64_t first, int64_t second) {
    std::lock_guard<std::mutex> hold(logLock);
    if (frameLog)
        std::fprintf(frameLog, "%c %lld %lld\n", what, static_cast<long long>(first / 1000),
                     static_cast<long long>(second / 1000));
}

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::strcmp(value, "0") != 0;
}

// The screen's refresh as the display mode tells it (PAKO_TEST_REFRESH_HZ
// stands in for a screen of that rate); 0 where it does not say.
int64_t screenRefreshNs(SDL_Window* window) {
    if (const int64_t test = screen::testRefreshNs(); test > 0) return test;
    SDL_DisplayMode mode{};
    const int hz = SDL_GetWindowDisplayMode(window, &mode) == 0 ? mode.refresh_rate : 0;
    return hz > 0 ? 1'000'000'000 / hz : 0;
}

}  // namespace

namespace screen {

int64_t testRefreshNs() {
    const char* test = std::getenv("PAKO_TEST_REFRESH_HZ");
    const long rate = test ? std::strtol(test, nullptr, 10) : 0;
    return rate > 0 && rate <= 1000 ? 1'000'000'000 / rate : 0;
}

int64_t refreshNs() { return refresh; }

bool screenless() { return noScreen; }

void logShown(int64_t at, int64_t took) { logLine('S', at, took); }

}  // namespace screen

namespace sdlplat {

void resetScreen() {
    backend::displayRelease();
    screen::forgetPictures();
    std::lock_guard<std::mutex> hold(logLock);
    if (frameLog) std::fclose(frameLog);
    frameLog = nullptr;
}

}  // namespace sdlplat

namespace backend {

// Step 1, the device: a renderer for the window. It is not synchronised
// with the screen's refresh: the game keeps its own time, and where the
// driver makes presents wait for a refresh anyway, the presenter's thread
// does the waiting.
HRESULT displayCreate() {
    SDL_Window* window = sdlplat::window();
    if (!window) {
        SDL_SetError("no window");
        return failed("display device");
    }
    if (screen::rendererOpen()) displayRelease();
    if (!screen::openRenderer(window)) return failed("display device");
    refresh = screenRefreshNs(window);
    const char* driver = SDL_GetCurrentVideoDriver();
    noScreen = driver &&
               (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0) &&
               !envSet("PAKO_DRAW_OFFSCREEN");
    std::lock_guard<std::mutex> hold(logLock);
    if (const char* log = std::getenv("PAKO_FRAME_LOG"); log && *log && !frameLog) {
        frameLog = std::fopen(log, "w");
        if (!frameLog) std::fprintf(stderr, "pako: cannot write the frame log %s\n", log);
        // A line at a time, so that a test can follow it while the game runs.
        if (frameLog) std::setvbuf(frameLog, nullptr, _IOLBF, 0);
    }
    return S_OK;
}

// Step 3, the screen for the window: full screen on the desktop (or the
// window asked for on the command line).
HRESULT displaySetCooperativeLevel(uint32_t) {
    if (!screen::rendererOpen()) {
        SDL_SetError("no display device");
        return failed("full screen");
    }
    if (!sdlplat::applyStartingMode()) return failed("full screen");
    return S_OK;
}

// Step 4, the mode: the picture's texture in the back buffer's format.
HRESULT displaySetMode(int width, int height, int bitsPerPixel) {
    if (!screen::rendererOpen() || screen::presenting() || bitsPerPixel != 16 || width <= 0 ||
        height <= 0) {
        SDL_SetError("no %dx%dx%d mode", width, height, bitsPerPixel);
        return failed("display mode");
    }
    if (!screen::makePictureTexture(width, height)) return failed("display mode");
    screen::preparePictures(width, height);
    return S_OK;
}

// Step 5, the visible surface: the screen cleared to black and shown.
HRESULT displayCreatePrimary() {
    if (!screen::rendererOpen() || !screen::pictureTextureMade() || screen::presenting()) {
        SDL_SetError("no display mode");
        return failed("primary surface");
    }
    if (!screen::showBlack()) return failed("primary surface");
    return S_OK;
}

// The flip: the back buffer becomes the latest picture, shown as soon as
// the screen can take it (presenter.cpp).
HRESULT displayPresent(SDL_Surface* backBuffer) {
    const SDL_Point size = sdlplat::pictureSize();
    if (!screen::rendererOpen() || !screen::pictureTextureMade() || !backBuffer ||
        backBuffer->w != size.x || backBuffer->h != size.y ||
        backBuffer->format->format != SDL_PIXELFORMAT_RGB565)
        return E_FAIL;
    logLine('F', sdlplat::lastClockReadNs(), sdlplat::nowNs());
    screen::hand(static_cast<const uint8_t*>(backBuffer->pixels), backBuffer->pitch);
    return S_OK;
}

void displayRelease() {
    screen::stopPresenter();
    screen::closeRenderer();
    std::lock_guard<std::mutex> hold(logLock);
    if (frameLog) std::fflush(frameLog);
}

}  // namespace backend
