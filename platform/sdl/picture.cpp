// One picture on the window: the 640 x 480 back buffer goes to a streaming
// texture, scaled to the window with square pixels and black bars, and is
// presented. The desktop's own video mode is never changed.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_platform.h"

namespace {

SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;  // the picture, at its own size
SDL_Texture* whole = nullptr;    // the picture at the largest whole multiple that fits
int wholeScale = 0;
int pictureW = 640;
int pictureH = 480;
std::atomic<bool> deviceReset{false};
std::atomic<int64_t> picturesShown{0};
int knownW = 0, knownH = 0;  // the window's size the renderer was last told

// The tests' screen of PAKO_TEST_REFRESH_HZ (screen.h), or 0.
int64_t testRefresh = 0;

// The picture at the largest whole multiple of its size that fits the
// letterbox: made (again) when that multiple changes.
SDL_Texture* wholeMultiple(int k) {
    if (whole && wholeScale == k) return whole;
    if (whole) SDL_DestroyTexture(whole);
    wholeScale = 0;
    whole = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                              pictureW * k, pictureH * k);
    if (!whole) return nullptr;
    SDL_SetTextureScaleMode(whole, SDL_ScaleModeLinear);
    wholeScale = k;
    return whole;
}

void forgetWholeMultiple() {
    if (whole) SDL_DestroyTexture(whole);
    whole = nullptr;
    wholeScale = 0;
}

// Draws the picture into the letterbox of the window. Every game pixel must
// come out the same size: at a whole multiple by nearest neighbour alone;
// otherwise by nearest neighbour to the largest whole multiple that fits,
// and only that last step smoothed (what players of pixel-art games call
// sharp bilinear). Below the picture's own size it is smoothed all the way.
bool drawPicture() {
    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(renderer, &outW, &outH) != 0) return false;
    const SDL_Rect to = sdlplat::letterbox(outW, outH, pictureW, pictureH);
    // Black bars where the screen's shape differs; where the picture fills
    // the screen, nothing else is drawn (a software rasteriser pays for
    // every pass over the screen).
    const SDL_Rect bars[4] = {{0, 0, outW, to.y},
                              {0, to.y + to.h, outW, outH - to.y - to.h},
                              {0, to.y, to.x, to.h},
                              {to.x + to.w, to.y, outW - to.x - to.w, to.h}};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    for (const SDL_Rect& bar : bars)
        if (bar.w > 0 && bar.h > 0) SDL_RenderFillRect(renderer, &bar);
    const int k = std::min(to.w / pictureW, to.h / pictureH);
    const bool exact = k >= 1 && to.w == k * pictureW && to.h == k * pictureH;
    if (exact || k == 0) {
        SDL_SetTextureScaleMode(texture, exact ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        return SDL_RenderCopy(renderer, texture, nullptr, &to) == 0;
    }
    SDL_Texture* step = k == 1 || !SDL_RenderTargetSupported(renderer) ? nullptr : wholeMultiple(k);
    if (step && SDL_SetRenderTarget(renderer, step) == 0) {
        SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_SetRenderTarget(renderer, nullptr);
        return SDL_RenderCopy(renderer, step, nullptr, &to) == 0;
    }
    // At one whole multiple the picture itself is the first step.
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
    return SDL_RenderCopy(renderer, texture, nullptr, &to) == 0;
}

void waitForTestRefresh() {
    if (testRefresh <= 0) return;
    const int64_t now = sdlplat::nowNs();
    sdlplat::sleepUntilNs((now / testRefresh + 1) * testRefresh);
}

// The renderer was reset by the system: the textures are made again.
void makeTexturesAgain() {
    if (!deviceReset.exchange(false)) return;
    forgetWholeMultiple();
    if (texture) SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                pictureW, pictureH);
}

}  // namespace

namespace screen {

bool openRenderer(SDL_Window* window) {
    closeRenderer();
    renderer = SDL_CreateRenderer(window, -1, 0);
    testRefresh = screen::testRefreshNs();
    return renderer != nullptr;
}

void closeRenderer() {
    forgetWholeMultiple();
    if (texture) SDL_DestroyTexture(texture);
    texture = nullptr;
    if (renderer) SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}

bool rendererOpen() { return renderer != nullptr; }

bool makePictureTexture(int width, int height) {
    if (texture) SDL_DestroyTexture(texture);
    forgetWholeMultiple();
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (!texture) return false;
    pictureW = width;
    pictureH = height;
    return true;
}

bool pictureTextureMade() { return texture != nullptr; }

bool showBlack() {
    if (SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255) != 0 || SDL_RenderClear(renderer) != 0)
        return false;
    SDL_RenderPresent(renderer);
    return true;
}

int64_t show(const uint16_t* pixels) {
    makeTexturesAgain();
    if (!texture) return 0;
    const int64_t start = sdlplat::nowNs();
    SDL_UpdateTexture(texture, nullptr, pixels, pictureW * 2);
    drawPicture();
    const int64_t presenting = sdlplat::nowNs();
    SDL_RenderPresent(renderer);
    waitForTestRefresh();
    const int64_t done = sdlplat::nowNs();
    ++picturesShown;
    logShown(done, done - start);
    return done - presenting;
}

void texturesLost() { deviceReset = true; }

bool windowSizeChanged() {
    SDL_Window* window = sdlplat::window();
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w == knownW && h == knownH) return false;
    knownW = w;
    knownH = h;
    // SDL hands a window event to the renderer on the thread that sends it,
    // and the one the game's thread pumped was kept from it (events.cpp).
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    e.window.windowID = SDL_GetWindowID(window);
    e.window.data1 = w;
    e.window.data2 = h;
    SDL_PushEvent(&e);
    return true;
}

void forgetPictures() {
    closeRenderer();
    pictureW = 640;
    pictureH = 480;
    picturesShown = 0;
}

void rememberWindowSize() { SDL_GetWindowSize(sdlplat::window(), &knownW, &knownH); }

void letGoOfContext() {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) == 0 && info.name &&
        std::strncmp(info.name, "opengl", 6) == 0)
        SDL_GL_MakeCurrent(sdlplat::window(), nullptr);
}

}  // namespace screen

namespace sdlplat {

int64_t picturesShownSoFar() { return picturesShown; }

SDL_Point pictureSize() { return SDL_Point{pictureW, pictureH}; }

}  // namespace sdlplat
