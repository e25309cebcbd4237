// When pictures are shown. Showing a picture never stretches a frame: a
// flip only hands the back buffer over (a copy into the latest picture) and
// returns; a thread of its own, the presenter, shows the latest picture as
// soon as the screen can take it, and not at all when it is what the screen
// shows already (the title at rest). A picture replaced before the
// presenter took it is not shown, and the game goes on at its own speed
// either way.
//
// A picture that comes after a quiet spell is begun at once. Where the
// driver's present waits for the screen's refresh, it is begun instead
// just before the next refresh it can make, with the freshest picture
// there is then, and the driver's short wait is the only one: a present
// begun at once would hold the presenter until that refresh, and a fresher
// picture coming meanwhile would wait for the one after. Where the present
// comes back at once, the presenter holds a picture until a refresh has
// passed since the last one began, so that the screen is never sent more
// pictures than it shows. What the presents do is learnt from how long
// they take and when they come back.
//
// Where the platform has no threads, the picture is shown at the flip
// instead; on a page, as the game hands its thread to the browser for the
// next animation frame, which puts it on the screen (web.cpp).
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
#include "platform/sdl/browser.h"
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

// What the presenter learns of the screen from the presents themselves.
//
// Whether the present waits for the refresh: a present that waits takes
// anything up to a refresh, half of one on average, while one that does not
// comes back in a small part of that; one aimed just before a refresh comes
// back at that refresh. Judged by most of the last few presents, so that
// one slow present on a busy machine changes nothing; a present judged to
// wait that does not only costs the pictures a screen would have left out.
//
// The refresh, where the screen does not say it: the time between the
// returns of two presents made one right after the other, each of which
// waited for a refresh. The returns of waiting presents mark the refreshes.
// The last few of something, oldest replaced first.
template <typename T>
struct LastFew {
    static constexpr int Kept = 8;
    T values[Kept] = {};
    int count = 0;  // up to Kept
    int next = 0;
    void add(T value) {
        values[next] = value;
        next = (next + 1) % Kept;
        count = std::min(count + 1, Kept);
    }
};

struct Learnt {
    LastFew<bool> waited;
    LastFew<int64_t> periods;
    int64_t lastStart = 0;
    int64_t lastReturn = 0;  // a refresh, where presents wait
    bool anyShown = false;
    // How long before a refresh a picture is begun so that it is on the
    // screen at that refresh: its upload, drawing and the present's own
    // work. Made longer whenever a picture missed its refresh.
    int64_t lead = 3'000'000;
    int madeInARow = 0;
};
Learnt learnt;

constexpr int64_t LeastLeadNs = 3'000'000;
constexpr int64_t LeadStepNs = 1'000'000;
constexpr int MadeBeforeShorterLead = 300;
// A screen that does not say its rate is taken to refresh 60 times a second
// where pictures must be held back for it.
constexpr int64_t UsualRefreshNs = 1'000'000'000 / 60;

int64_t median(const LastFew<int64_t>& few) {
    int64_t sorted[LastFew<int64_t>::Kept];
    std::copy(few.values, few.values + few.count, sorted);
    std::nth_element(sorted, sorted + few.count / 2, sorted + few.count);
    return sorted[few.count / 2];
}

bool presentsWait() {
    const LastFew<bool>& w = learnt.waited;
    return w.count == w.Kept && std::count(w.values, w.values + w.Kept, true) > w.Kept / 2;
}

// The screen's refresh period as it says it, or as the presents showed it;
// 0 when neither is known.
int64_t knownRefresh() {
    if (screen::refreshNs() > 0) return screen::refreshNs();
    return learnt.periods.count >= learnt.periods.Kept / 2 ? median(learnt.periods) : 0;
}

// The refresh a picture is held back for where the present does not wait.
int64_t refreshOrUsual() { return knownRefresh() > 0 ? knownRefresh() : UsualRefreshNs; }

// The next refresh at which a picture begun at `when` plus the lead can be
// on the screen, counted from the last return; 0 when the refresh is not
// known or the presents do not wait.
int64_t refreshToAimAt(int64_t when) {
    const int64_t period = knownRefresh();
    if (!learnt.anyShown || !presentsWait() || period <= 0) return 0;
    const int64_t from = when + learnt.lead - learnt.lastReturn;
    const int64_t k = from <= 0 ? 1 : (from + period - 1) / period;
    return learnt.lastReturn + k * period;
}

// When the picture that came at `now` is begun. Where the present waits for
// the refresh, just before the next refresh it can make, so that the
// freshest picture is taken then and the present's wait is short (one begun
// at once would hold the presenter until the refresh and keep a fresher
// picture from it); where the refresh is not known, at once, and the
// driver's wait is the only one. Where the present does not wait, a refresh
// after the last picture began, so that the screen is not sent more
// pictures than it shows.
int64_t whenToBegin(int64_t now, int64_t aim) {
    if (!learnt.anyShown) return now;
    if (aim > 0) return std::max(now, aim - learnt.lead);
    if (presentsWait()) return now;
    return std::max(now, learnt.lastStart + refreshOrUsual());
}

// A picture was shown: begun at `start`, its present taking `presentTook`
// of it, back at `back`; `aim` the refresh it was aimed at, or 0.
void learnFrom(int64_t start, int64_t presentTook, int64_t back, int64_t aim) {
    const int64_t period = refreshOrUsual();
    bool waited = false;
    if (aim > 0) {
        waited = back >= aim - 500'000;
        if (back > aim + period / 2) {
            learnt.lead = std::min(learnt.lead + LeadStepNs, period / 2);
            learnt.madeInARow = 0;
        } else if (++learnt.madeInARow >= MadeBeforeShorterLead) {
            learnt.lead = std::max(LeastLeadNs, learnt.lead - LeadStepNs / 2);
            learnt.madeInARow = 0;
        }
    } else {
        waited = presentTook >= std::max<int64_t>(period / 8, 1'000'000);
        // Begun as the last came back, and both waited: one refresh apart.
        const int64_t apart = back - learnt.lastReturn;
        if (learnt.anyShown && waited && start - learnt.lastReturn < 300'000 &&
            apart >= 4'000'000 && apart <= 34'000'000) {
            learnt.periods.add(apart);
        }
    }
    learnt.waited.add(waited);
    learnt.lastStart = start;
    learnt.lastReturn = back;
    learnt.anyShown = true;
}

bool threadsWanted() {
    if (!browser::hasThreads()) return false;
    const char* inline_ = std::getenv("PAKO_PRESENT_INLINE");
    return !(inline_ && *inline_ && std::strcmp(inline_, "0") != 0);
}

bool pictureWaiting() { return ((fresh || redraw) && !held) || stopping; }

void presenterLoop() {
    presenterThread = SDL_ThreadID();
    // The game's own thread keeps the time; on a busy machine it goes first.
    os::lowerThisThreadsPriority();
    for (;;) {
        bool same = false;
        {
            std::unique_lock<std::mutex> hold(pictureLock);
            pictureCame.wait(hold, pictureWaiting);
            if (stopping) break;
        }
        const int64_t came = sdlplat::nowNs();
        const int64_t aim = refreshToAimAt(came);
        const int64_t begin = whenToBegin(came, aim);
        if (begin > came) sdlplat::sleepUntilNs(begin);
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
        const int64_t start = sdlplat::nowNs();
        const int64_t presentTook = screen::show(showing.data());
        os::pictureDrawn();
        learnFrom(start, presentTook, sdlplat::nowNs(), aim);
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
    learnt = Learnt{};
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
    // On a page the picture waits for the game to hand its thread to the
    // browser, which shows it then: a picture flipped before that is
    // replaced, unseen, without being drawn.
    if (!browser::windowIsTheCanvas()) showWaitingPicture();
}

bool showWaitingPicture() {
    if (presenterRunning || !fresh) return false;
    fresh = false;
    // The picture already on the screen is not shown again: on the title at
    // rest that is nearly every frame, and a slow processor (a phone's, in
    // a browser) has better use for the time than putting it up once more.
    if (onScreen && latest == showing) return false;
    showInline();
    return true;
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
