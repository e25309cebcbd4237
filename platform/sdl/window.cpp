// The one window and the screen: an SDL window that covers the desktop, and
// the display set-up steps and flips of the game's display device over an SDL
// renderer. The 640 x 480 back buffer is uploaded to a streaming texture and
// scaled to the screen with square pixels; the desktop's own video mode is
// never changed.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/sdl/sdl_platform.h"

namespace {

bool videoUp = false;
SDL_Window* theWindow = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
int pictureW = 640;
int pictureH = 480;
bool isFullscreen = true;

// A failed SDL call, for whoever runs the game from a terminal; the game
// itself shows its own message for the step.
HRESULT failed(const char* what) {
    std::fprintf(stderr, "pako: %s: %s\n", what, SDL_GetError());
    return E_FAIL;
}

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
    int display = theWindow ? SDL_GetWindowDisplayIndex(theWindow) : 0;
    if (display < 0) display = 0;
    SDL_Rect area{0, 0, 0, 0};
    if (usable && SDL_GetDisplayUsableBounds(display, &area) == 0 && area.w > 0 && area.h > 0)
        return area;
    if (SDL_GetDisplayBounds(display, &area) != 0) area = SDL_Rect{0, 0, 640, 480};
    return area;
}

// Output pixels per window coordinate: more than 1 on a high-DPI display.
double pixelScale() {
    int winW = 0, winH = 0, outW = 0, outH = 0;
    SDL_GetWindowSize(theWindow, &winW, &winH);
    if (renderer) SDL_GetRendererOutputSize(renderer, &outW, &outH);
    if (winW <= 0 || outW <= 0) return 1.0;
    return static_cast<double>(outW) / winW;
}

}  // namespace

namespace sdlplat {

bool initVideo() {
    if (videoUp) return true;
    // The south face button is "A" wherever it sits, not the button so labelled.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    // Switching to another program must not leave the game minimised behind it.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
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
    if (!theWindow) return;
    if (isFullscreen) {
        const SDL_Rect area = displayArea(true);
        const double scale = pixelScale();
        const int k = windowedScale(static_cast<int>(area.w * scale),
                                    static_cast<int>(area.h * scale), pictureW, pictureH);
        if (SDL_SetWindowFullscreen(theWindow, 0) != 0) return;
        SDL_SetWindowBordered(theWindow, SDL_TRUE);
        SDL_SetWindowSize(theWindow, static_cast<int>(std::lround(pictureW * k / scale)),
                          static_cast<int>(std::lround(pictureH * k / scale)));
        SDL_SetWindowPosition(theWindow,
                              area.x + (area.w - static_cast<int>(pictureW * k / scale)) / 2,
                              area.y + (area.h - static_cast<int>(pictureH * k / scale)) / 2);
        isFullscreen = false;
    } else {
        SDL_SetWindowBordered(theWindow, SDL_FALSE);
        if (SDL_SetWindowFullscreen(theWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0)
            isFullscreen = true;
    }
}

void recreateTexture() {
    if (!renderer || !texture) return;
    SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                pictureW, pictureH);
    if (texture) SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
}

void shutdown() {
    shutdownSound();
    stopTimer();
    if (theWindow) backend::destroyWindow();
    resetInput();
    SDL_Quit();
    videoUp = false;
    isFullscreen = true;
    pictureW = 640;
    pictureH = 480;
}

}  // namespace sdlplat

namespace backend {

int screenWidth() { return sdlplat::initVideo() ? displayArea(false).w : 0; }

int screenHeight() { return sdlplat::initVideo() ? displayArea(false).h : 0; }

bool createWindow(const char* title, int width, int height, const char* iconResource) {
    if (!sdlplat::initVideo()) {
        std::fprintf(stderr, "pako: cannot open the game's window, no display: %s\n",
                     SDL_GetError());
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
    theWindow =
        SDL_CreateWindow(title, area.x, area.y, width, height,
                         SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI);
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

// Step 1, the device: a renderer for the window, synchronised with the
// screen's refresh where the driver can, unsynchronised where it cannot.
HRESULT displayCreate() {
    if (!theWindow) {
        SDL_SetError("no window");
        return failed("display device");
    }
    if (renderer) displayRelease();
    renderer = SDL_CreateRenderer(theWindow, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(theWindow, -1, 0);
    if (!renderer) return failed("display device");
    return S_OK;
}

// Step 3, the screen for the window: full screen on the desktop.
HRESULT displaySetCooperativeLevel(uint32_t) {
    if (!renderer) {
        SDL_SetError("no display device");
        return failed("full screen");
    }
    if (SDL_SetWindowFullscreen(theWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return failed("full screen");
    isFullscreen = true;
    return S_OK;
}

// Step 4, the mode: the picture's texture in the back buffer's format.
HRESULT displaySetMode(int width, int height, int bitsPerPixel) {
    if (!renderer || bitsPerPixel != 16 || width <= 0 || height <= 0) {
        SDL_SetError("no %dx%dx%d mode", width, height, bitsPerPixel);
        return failed("display mode");
    }
    if (texture) SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (!texture) return failed("display mode");
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    pictureW = width;
    pictureH = height;
    return S_OK;
}

// Step 5, the visible surface: the screen cleared to black and shown.
HRESULT displayCreatePrimary() {
    if (!renderer || !texture) {
        SDL_SetError("no display mode");
        return failed("primary surface");
    }
    if (SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255) != 0 || SDL_RenderClear(renderer) != 0)
        return failed("primary surface");
    SDL_RenderPresent(renderer);
    return S_OK;
}

HRESULT displayPresent(SDL_Surface* backBuffer) {
    if (!renderer || !texture || !backBuffer || backBuffer->w != pictureW ||
        backBuffer->h != pictureH || backBuffer->format->format != SDL_PIXELFORMAT_RGB565)
        return E_FAIL;
    if (SDL_UpdateTexture(texture, nullptr, backBuffer->pixels, backBuffer->pitch) != 0)
        return E_FAIL;
    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(renderer, &outW, &outH) != 0) return E_FAIL;
    const SDL_Rect to = sdlplat::letterbox(outW, outH, pictureW, pictureH);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (SDL_RenderCopy(renderer, texture, nullptr, &to) != 0) return E_FAIL;
    SDL_RenderPresent(renderer);
    return S_OK;
}

void displayRelease() {
    if (texture) SDL_DestroyTexture(texture);
    texture = nullptr;
    if (renderer) SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}

}  // namespace backend
