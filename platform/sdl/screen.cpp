// The screen: the display set-up steps and the flips of the game's display
// device over an SDL renderer. The desktop's own video mode is never
// changed: the 640 x 480 back buffer goes to a streaming texture, scaled to
// the window with square pixels and black bars.
//
// Showing a picture never stretches a frame. A flip only hands the back
// buffer over (a copy into the latest picture) and returns; a thread of its
// own, the presenter, shows the latest picture whenever it is free: at most
// once a refresh of the screen (60 times a second where the screen does not
// say), and not at all when it is what the screen shows already (the title
// at rest). A picture replaced before the presenter took it is not shown,
// and the game goes on at its own speed either way.
//
// SDL's dummy and off-screen video drivers (asked for by name) have no
// screen: nothing is drawn there, unless PAKO_DRAW_OFFSCREEN asks for it
// (the tests that look at the drawn picture).
//
// Where the platform has no threads (the browser), the picture is shown in
// the wait before the next flip instead (backend::idleUntil), when showing
// it fits in the time left, judged by how long the last ones took.
//
// From the first flip on the presenter owns the renderer: the game's thread
// never draws, and window events, which SDL would pass to the renderer on
// the thread that pumps them, reach it on the presenter's thread instead
// (events.cpp filters them; keepRendererInformed() below).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/os.h"
#include "platform/sdl/sdl_platform.h"

namespace {

SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;  // the picture, 640 x 480
SDL_Texture* whole = nullptr;    // the picture at the largest whole multiple that fits
int wholeScale = 0;
int pictureW = 640;
int pictureH = 480;

// --- Between the game's thread and the presenter ---
std::mutex pictureLock;
std::condition_variable pictureCame;
std::vector<uint16_t> latest;  // the last flipped picture
bool fresh = false;            // latest not taken yet
bool redraw = false;           // show what was shown again (the window was uncovered)
bool stopping = false;
std::thread presenter;
std::atomic<bool> presenterRunning{false};
std::atomic<SDL_threadID> presenterThread{0};
std::atomic<int64_t> picturesShown{0};
std::atomic<bool> deviceReset{false};
// The presenter is done: it left its loop, or it stopped for good inside a
// call to a lost display (ending.cpp). Under pictureLock.
std::condition_variable presenterDone;
bool loopLeft = false;
bool parked = false;
// For the tests: the presenter takes no picture while held, as one busy
// showing a picture for a long time.
bool held = false;

// --- The presenter's own (or, without threads, the game thread's) ---
std::vector<uint16_t> showing;  // the picture being shown
bool onScreen = false;          // `showing` is what the screen shows
int knownW = 0, knownH = 0;     // the window's size the renderer was last told
int64_t refreshNs = 0;          // the screen's refresh period
bool screenless = false;        // a video driver without a screen

// --- Without threads: shown in the wait ---
bool pending = false;
constexpr int Kept = 8;
int64_t lastCosts[Kept] = {};
int costsKept = 0;
// Nothing shown for this long: the next flip shows its picture at once.
constexpr int64_t LongestUnshownNs = 200'000'000;
int64_t lastShown = -LongestUnshownNs;  // the first picture is shown at its flip
// What showing must leave of the wait, for the clock's last reads.
constexpr int64_t MarginNs = 500'000;

// A screen refreshing PAKO_TEST_REFRESH_HZ times a second, for the tests:
// each present then waits for the next refresh, as a synchronised present
// does.
int64_t testRefreshNs = 0;

// PAKO_FRAME_LOG: a line for every flip ("F" and the time in microseconds)
// and for every picture shown ("S", the time it came back and how long
// showing it took), for the timing tests and the benchmark.
FILE* frameLog = nullptr;
std::mutex logLock;

HRESULT failed(const char* what) {
    std::fprintf(stderr, "pako: %s: %s\n", what, SDL_GetError());
    return E_FAIL;
}

void logLine(char what, int64_t at, int64_t took = -1) {
    std::lock_guard<std::mutex> hold(logLock);
    if (!frameLog) return;
    if (took < 0)
        std::fprintf(frameLog, "%c %lld\n", what, static_cast<long long>(at / 1000));
    else
        std::fprintf(frameLog, "%c %lld %lld\n", what, static_cast<long long>(at / 1000),
                     static_cast<long long>(took / 1000));
}

bool threadsWanted() {
#if defined(__EMSCRIPTEN__)
    return false;
#else
    const char* inline_ = std::getenv("PAKO_PRESENT_INLINE");
    return !(inline_ && *inline_ && std::strcmp(inline_, "0") != 0);
#endif
}

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
    if (testRefreshNs <= 0) return;
    const int64_t now = sdlplat::nowNs();
    sdlplat::sleepUntilNs((now / testRefreshNs + 1) * testRefreshNs);
}

// The renderer was reset by the system: the textures are made again.
void makeTexturesAgain() {
    if (!deviceReset.exchange(false)) return;
    if (whole) SDL_DestroyTexture(whole);
    whole = nullptr;
    wholeScale = 0;
    if (texture) SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                pictureW, pictureH);
}

// Uploads `pixels`, draws and presents; returns how long it took.
int64_t show(const uint16_t* pixels) {
    makeTexturesAgain();
    if (!texture) return 0;
    const int64_t start = sdlplat::nowNs();
    SDL_UpdateTexture(texture, nullptr, pixels, pictureW * 2);
    drawPicture();
    SDL_RenderPresent(renderer);
    waitForTestRefresh();
    const int64_t done = sdlplat::nowNs();
    ++picturesShown;
    logLine('S', done, done - start);
    return done - start;
}

// Tells the renderer of a change of the window's size, on this thread: SDL
// hands a window event to the renderer on the thread that sends it, and the
// one the game's thread pumped was kept from it (events.cpp).
// True when the size changed: the screen then shows nothing of the last
// picture's layout.
bool keepRendererInformed() {
    SDL_Window* window = sdlplat::window();
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w == knownW && h == knownH) return false;
    knownW = w;
    knownH = h;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    e.window.windowID = SDL_GetWindowID(window);
    e.window.data1 = w;
    e.window.data2 = h;
    SDL_PushEvent(&e);
    return true;
}

// An OpenGL context is current on one thread at a time: the one the
// renderer draws with is let go by the thread that leaves it.
void letGoOfContext() {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) == 0 && info.name &&
        std::strncmp(info.name, "opengl", 6) == 0)
        SDL_GL_MakeCurrent(sdlplat::window(), nullptr);
}

void presenterLoop() {
    presenterThread = SDL_ThreadID();
    // The game's own thread keeps the time; on a busy machine it goes first.
    os::lowerThisThreadsPriority();
    int64_t nextAllowed = 0;
    for (;;) {
        bool same = false;
        {
            std::unique_lock<std::mutex> hold(pictureLock);
            pictureCame.wait(hold, [] { return ((fresh || redraw) && !held) || stopping; });
            if (stopping) break;
            if (fresh) std::swap(latest, showing);
            // `latest` now holds what was shown before.
            same = fresh && !redraw && onScreen && latest == showing;
            fresh = redraw = false;
        }
        if (screenless) continue;
        if (keepRendererInformed()) same = false;
        if (same) continue;
        const int64_t start = sdlplat::nowNs();
        show(showing.data());
        onScreen = true;
        // No more often than the screen can show pictures.
        nextAllowed = start + refreshNs;
        if (sdlplat::nowNs() < nextAllowed) sdlplat::sleepUntilNs(nextAllowed);
    }
    // The renderer goes back to the game's thread, which lets it go.
    letGoOfContext();
    presenterThread = 0;
    {
        std::lock_guard<std::mutex> hold(pictureLock);
        loopLeft = true;
    }
    presenterDone.notify_all();
}

// Asks the presenter to stop and waits, at most until `limit` (no limit:
// nullptr), for it to be done; false when it was not by then.
bool askPresenterToStop(const std::chrono::steady_clock::time_point* limit) {
    std::unique_lock<std::mutex> hold(pictureLock);
    stopping = true;
    pictureCame.notify_one();
    const auto done = [] { return loopLeft || parked; };
    if (!limit) {
        presenterDone.wait(hold, done);
        return true;
    }
    return presenterDone.wait_until(hold, *limit, done);
}

void stopPresenterAtExit();

// From the first flip on, the presenter owns the renderer.
void startPresenter() {
    if (presenterRunning || !threadsWanted()) return;
    SDL_GetWindowSize(sdlplat::window(), &knownW, &knownH);
    stopping = redraw = false;
    loopLeft = parked = false;
    onScreen = false;
    letGoOfContext();
    // However the process ends, the presenter is stopped before the
    // process's objects are destroyed: an end by exit() from anywhere runs
    // this first.
    static const bool stoppedAtExit = std::atexit(stopPresenterAtExit) == 0;
    (void)stoppedAtExit;
    presenterRunning = true;
    presenter = std::thread(presenterLoop);
}

// Joins the presenter once it left its loop; one that stopped for good in a
// call to a lost display never will, and is let go of instead (the game
// then ends at once). The presenter itself, ending the process, lets go of
// its own thread.
void stopPresenter() {
    if (!presenterRunning) return;
    if (sdlplat::onPresenterThread()) {
        presenter.detach();
    } else {
        askPresenterToStop(nullptr);
        bool join = false;
        {
            std::lock_guard<std::mutex> hold(pictureLock);
            join = loopLeft;
        }
        if (join)
            presenter.join();
        else
            presenter.detach();
    }
    presenterRunning = false;
    stopping = fresh = redraw = false;
}

void stopPresenterAtExit() { stopPresenter(); }

// Without threads: showing the latest picture, by the time it took lately.
int64_t longestCost() {
    int64_t most = 0;
    for (int i = 0; i < std::min(costsKept, Kept); ++i) most = std::max(most, lastCosts[i]);
    return most;
}

void showInline() {
    if (!pending) return;
    pending = false;
    if (screenless) return;
    lastCosts[costsKept++ % Kept] = show(latest.data());
    lastShown = sdlplat::nowNs();
    showing = latest;
    onScreen = true;
}

}  // namespace

namespace sdlplat {

void showWhileWaiting(int64_t deadlineNs) {
    if (presenterRunning || !pending) return;
#if defined(__EMSCRIPTEN__)
    const PresentWithoutYield sleepsAfter;
#endif
    if (nowNs() + longestCost() <= deadlineNs - MarginNs) showInline();
}

bool presenterOwnsRenderer() { return presenterRunning; }

void stopPresenterForEnd() {
    if (!presenterRunning || onPresenterThread()) return;
    // A presenter caught in a call that never returns is left where it is
    // after a while: the process ends without running anything more.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    askPresenterToStop(&limit);
}

void holdPresenter(bool hold) {
    {
        std::lock_guard<std::mutex> lock(pictureLock);
        held = hold;
    }
    pictureCame.notify_one();
}

void presenterParked() {
    {
        std::lock_guard<std::mutex> hold(pictureLock);
        parked = true;
    }
    presenterDone.notify_all();
}

bool onPresenterThread() {
    const SDL_threadID id = presenterThread;
    return id != 0 && id == SDL_ThreadID();
}

void showAgain() {
    if (presenterRunning) {
        {
            std::lock_guard<std::mutex> hold(pictureLock);
            redraw = true;
        }
        pictureCame.notify_one();
    } else if (renderer && texture) {
        pending = true;
        showInline();
    }
}

int64_t picturesShownSoFar() { return picturesShown; }

void rendererReset() {
    deviceReset = true;
    showAgain();
}

SDL_Point pictureSize() { return SDL_Point{pictureW, pictureH}; }

void resetScreen() {
    backend::displayRelease();
    pictureW = 640;
    pictureH = 480;
    picturesShown = 0;
    costsKept = 0;
    lastShown = -LongestUnshownNs;
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
    if (renderer) displayRelease();
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) return failed("display device");
    SDL_DisplayMode mode{};
    const int hz = SDL_GetWindowDisplayMode(window, &mode) == 0 ? mode.refresh_rate : 0;
    refreshNs = 1'000'000'000 / (hz > 0 ? hz : 60);
    testRefreshNs = 0;
    if (const char* test = std::getenv("PAKO_TEST_REFRESH_HZ")) {
        const long rate = std::strtol(test, nullptr, 10);
        if (rate > 0 && rate <= 1000) refreshNs = testRefreshNs = 1'000'000'000 / rate;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* drawAnyway = std::getenv("PAKO_DRAW_OFFSCREEN");
    screenless = driver &&
                 (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0) &&
                 !(drawAnyway && *drawAnyway && std::strcmp(drawAnyway, "0") != 0);
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
    if (!renderer) {
        SDL_SetError("no display device");
        return failed("full screen");
    }
    if (!sdlplat::applyStartingMode()) return failed("full screen");
    return S_OK;
}

// Step 4, the mode: the picture's texture in the back buffer's format.
HRESULT displaySetMode(int width, int height, int bitsPerPixel) {
    if (!renderer || presenterRunning || bitsPerPixel != 16 || width <= 0 || height <= 0) {
        SDL_SetError("no %dx%dx%d mode", width, height, bitsPerPixel);
        return failed("display mode");
    }
    if (texture) SDL_DestroyTexture(texture);
    if (whole) SDL_DestroyTexture(whole);
    whole = nullptr;
    wholeScale = 0;
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (!texture) return failed("display mode");
    pictureW = width;
    pictureH = height;
    // Made now, not in play: a flip allocates nothing.
    latest.assign(static_cast<size_t>(width) * height, 0);
    showing.assign(latest.size(), 0);
    pending = fresh = onScreen = false;
    return S_OK;
}

// Step 5, the visible surface: the screen cleared to black and shown.
HRESULT displayCreatePrimary() {
    if (!renderer || !texture || presenterRunning) {
        SDL_SetError("no display mode");
        return failed("primary surface");
    }
    if (SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255) != 0 || SDL_RenderClear(renderer) != 0)
        return failed("primary surface");
    SDL_RenderPresent(renderer);
    return S_OK;
}

// The flip: the back buffer becomes the latest picture, for the presenter
// (see the top of this file).
HRESULT displayPresent(SDL_Surface* backBuffer) {
    if (!renderer || !texture || !backBuffer || backBuffer->w != pictureW ||
        backBuffer->h != pictureH || backBuffer->format->format != SDL_PIXELFORMAT_RGB565)
        return E_FAIL;
    const int64_t now = sdlplat::nowNs();
    logLine('F', now);
    const size_t rowBytes = static_cast<size_t>(pictureW) * 2;
    {
        std::lock_guard<std::mutex> hold(pictureLock);
        for (int y = 0; y < pictureH; ++y)
            std::memcpy(latest.data() + static_cast<size_t>(y) * pictureW,
                        static_cast<const uint8_t*>(backBuffer->pixels) + y * backBuffer->pitch,
                        rowBytes);
        fresh = true;
    }
    startPresenter();
    if (presenterRunning) {
        pictureCame.notify_one();
        return S_OK;
    }
    // The picture already on the screen is not shown again: on the title at
    // rest that is nearly every frame, and a slow processor (a phone's, in
    // a browser) has better use for the time than putting it up once more.
    pending = !(onScreen && latest == showing);
    if (now - lastShown >= LongestUnshownNs) showInline();
    return S_OK;
}

void displayRelease() {
    stopPresenter();
    if (whole) SDL_DestroyTexture(whole);
    whole = nullptr;
    wholeScale = 0;
    if (texture) SDL_DestroyTexture(texture);
    texture = nullptr;
    if (renderer) SDL_DestroyRenderer(renderer);
    renderer = nullptr;
    pending = false;
    std::lock_guard<std::mutex> hold(logLock);
    if (frameLog) std::fflush(frameLog);
}

}  // namespace backend
