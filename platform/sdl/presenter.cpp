// When pictures are shown. Showing a picture never stretches a frame: a
// flip only hands the back buffer over (a copy into the latest picture) and
// returns; a thread of its own, the presenter, shows the latest picture as
// soon as the screen can take it, and not at all when it is what the screen
// shows already (the title at rest). A picture replaced before the
// presenter took it is not shown, and the game goes on at its own speed
// either way.
//
// A fresh picture is shown at once. Where the driver's present waits for
// the screen's refresh, that wait is the only one, and it keeps to one
// picture a refresh by itself; where the present comes back at once, the
// presenter holds a picture until a refresh has passed since the last one
// began, so that the screen is never sent more pictures than it shows.
// Whether the present waits is judged by how long the last ones took.
//
// Where the platform has no threads (a browser), the picture is shown at
// the flip instead: the game's wait for its next frame comes right after,
// and hands the page's thread to the browser, which puts it on the screen.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os.h"
#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_platform.h"

namespace {

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

// How long the last presents took. A present that waits for the refresh
// takes anything up to a refresh, half of one on average; one that does not
// comes back in a small part of that. Judged by the middle one of the last
// few, so that one slow present on a busy machine changes nothing; a
// present judged to wait that does not only costs the pictures a screen
// would have left out.
constexpr int Judged = 8;
int64_t presentTimes[Judged] = {};
int presentsTimed = 0;

void timePresent(int64_t took) { presentTimes[presentsTimed++ % Judged] = took; }

bool presentsWaitForTheScreen(int64_t refresh) {
    if (presentsTimed < Judged) return false;
    int64_t sorted[Judged];
    std::copy(presentTimes, presentTimes + Judged, sorted);
    std::nth_element(sorted, sorted + Judged / 2, sorted + Judged);
    return sorted[Judged / 2] >= std::max<int64_t>(refresh / 8, 1'000'000);
}

// A screen that does not say its rate is taken to refresh 60 times a second.
constexpr int64_t UsualRefreshNs = 1'000'000'000 / 60;

// The earliest moment the next picture may be shown, after one that began
// at `lastStart`: at once where the present itself waits for the screen,
// otherwise a refresh later.
int64_t nextAllowed(int64_t lastStart) {
    const int64_t refresh = screen::refreshNs() > 0 ? screen::refreshNs() : UsualRefreshNs;
    return presentsWaitForTheScreen(refresh) ? lastStart : lastStart + refresh;
}

bool threadsWanted() {
#if defined(__EMSCRIPTEN__)
    return false;
#else
    const char* inline_ = std::getenv("PAKO_PRESENT_INLINE");
    return !(inline_ && *inline_ && std::strcmp(inline_, "0") != 0);
#endif
}

bool pictureWaiting() { return ((fresh || redraw) && !held) || stopping; }

void presenterLoop() {
    presenterThread = SDL_ThreadID();
    // The game's own thread keeps the time; on a busy machine it goes first.
    os::lowerThisThreadsPriority();
    int64_t lastStart = 0;
    bool anyShown = false;
    for (;;) {
        bool same = false;
        {
            std::unique_lock<std::mutex> hold(pictureLock);
            pictureCame.wait(hold, pictureWaiting);
            if (stopping) break;
        }
        // No more often than the screen shows pictures; a picture that
        // comes after a quiet spell goes at once.
        if (anyShown) {
            const int64_t allowed = nextAllowed(lastStart);
            if (sdlplat::nowNs() < allowed) sdlplat::sleepUntilNs(allowed);
        }
        {
            std::unique_lock<std::mutex> hold(pictureLock);
            if (stopping) break;
            if (!pictureWaiting()) continue;  // held meanwhile
            if (fresh) std::swap(latest, showing);
            // `latest` now holds what was shown before.
            same = fresh && !redraw && onScreen && latest == showing;
            fresh = redraw = false;
        }
        if (screen::screenless()) continue;
        if (screen::windowSizeChanged()) same = false;
        if (same) continue;
        lastStart = sdlplat::nowNs();
        timePresent(screen::show(showing.data()));
        anyShown = true;
        onScreen = true;
    }
    // The renderer goes back to the game's thread, which lets it go.
    screen::letGoOfContext();
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

void stopPresenterAtExit() { screen::stopPresenter(); }

// From the first flip on, the presenter owns the renderer.
void startPresenter() {
    if (presenterRunning || !threadsWanted()) return;
    screen::rememberWindowSize();
    stopping = redraw = false;
    loopLeft = parked = false;
    onScreen = false;
    presentsTimed = 0;
    screen::letGoOfContext();
    // However the process ends, the presenter is stopped before the
    // process's objects are destroyed: an end by exit() from anywhere runs
    // this first.
    static const bool stoppedAtExit = std::atexit(stopPresenterAtExit) == 0;
    (void)stoppedAtExit;
    presenterRunning = true;
    presenter = std::thread(presenterLoop);
}

// Without threads: the latest picture shown now.
void showInline() {
    if (screen::screenless()) return;
    screen::show(latest.data());
    showing = latest;
    onScreen = true;
}

}  // namespace

namespace screen {

void preparePictures(int width, int height) {
    latest.assign(static_cast<size_t>(width) * height, 0);
    showing.assign(latest.size(), 0);
    fresh = onScreen = false;
}

void hand(const uint8_t* pixels, int pitch) {
    const SDL_Point size = sdlplat::pictureSize();
    const size_t rowBytes = static_cast<size_t>(size.x) * 2;
    {
        std::lock_guard<std::mutex> hold(pictureLock);
        for (int y = 0; y < size.y; ++y)
            std::memcpy(latest.data() + static_cast<size_t>(y) * size.x, pixels + y * pitch,
                        rowBytes);
        fresh = true;
    }
    startPresenter();
    if (presenterRunning) {
        pictureCame.notify_one();
        return;
    }
    fresh = false;
    // The picture already on the screen is not shown again: on the title at
    // rest that is nearly every frame, and a slow processor (a phone's, in
    // a browser) has better use for the time than putting it up once more.
    if (onScreen && latest == showing) return;
#if defined(__EMSCRIPTEN__)
    const sdlplat::PresentWithoutYield waitsAfter;
#endif
    showInline();
}

bool presenting() { return presenterRunning; }

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

}  // namespace screen

namespace sdlplat {

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
    } else if (screen::rendererOpen() && screen::pictureTextureMade() && onScreen) {
        showInline();
    }
}

void rendererReset() {
    screen::texturesLost();
    showAgain();
}

}  // namespace sdlplat
