// Ways the game is ended from outside while it runs: the terminal it was
// started from closed (SIGHUP), and the display lost (its server gone). The
// first ends it as the window's close does; the second cannot: nothing can
// be shown or asked any more, and the display's library ends the process
// itself if it gets the chance. The game then ends at once, with one line,
// the demo files finished on whole lines, and status 1: on its own thread,
// or on the thread that met the loss should the game's be stuck in SDL.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/sdl/sdl_platform.h"

namespace {

void (*finishAtOnce)() = nullptr;
std::atomic<bool> lost{false};
char lostName[128];
std::atomic<SDL_threadID> gameThread{0};
std::atomic_flag ending = ATOMIC_FLAG_INIT;
// How long another thread that met the lost display leaves the ending to
// the game's thread.
constexpr int GameThreadGraceMs = 5000;

// A thread other than the game's stops for good: it must not go back into
// the library that found the display gone (which would end the process
// before the game could finish its files), and it holds nothing the game's
// thread needs.
[[noreturn]] void stopForGood() {
    for (;;) SDL_Delay(1000);
}

[[noreturn]] void endForLostDisplay() {
    // One thread ends the game; any other that comes here (or the game's
    // thread a second time, a call of the ending meeting the lost display
    // again) waits for it.
    if (ending.test_and_set()) stopForGood();
    std::fprintf(stderr, "pako: the display %s was lost; the game ends\n",
                 *lostName ? lostName : "");
    std::fflush(stderr);
    sdlplat::stopPresenterForEnd();
    if (finishAtOnce) finishAtOnce();
    std::fflush(nullptr);
    // No destructors and no exit handlers: they would talk to the display
    // that is gone.
    std::_Exit(1);
}

#if defined(SIGHUP)
bool hangUpWatched = false;
volatile std::sig_atomic_t hungUp = 0;
void onHangUp(int) { hungUp = 1; }
#endif

}  // namespace

namespace sdlplat {

void setFinishAtOnce(void (*finish)()) { finishAtOnce = finish; }

void watchDisplay() {
    gameThread = SDL_ThreadID();
    watchDisplayConnection();
}

void displayLost(const char* display) {
    if (!lost.exchange(true))
        std::snprintf(lostName, sizeof lostName, "%s", display ? display : "");
    if (gameThread == 0 || SDL_ThreadID() == gameThread) endForLostDisplay();
    if (onPresenterThread()) presenterParked();
    // The game's thread ends the game when it next looks at its events. It
    // may never come: SDL's timer thread meets the lost display while it
    // wakes the game's thread, holding the lock the game's thread waits
    // for. After a while this thread ends the game itself; by then the
    // game's thread is stuck, not writing its files.
    for (int waited = 0; waited < GameThreadGraceMs && !ending.test(); waited += 10) SDL_Delay(10);
    endForLostDisplay();
}

void endIfDisplayLost() {
    if (lost) endForLostDisplay();
}

// SDL turns SIGINT and SIGTERM into its quit event (the window's close);
// SIGHUP is marked here and closes the window at the next look at the
// events, unless someone (nohup) chose to ignore it.
void watchHangUp() {
#if defined(SIGHUP)
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) != 0 || hangUp.sa_handler != SIG_DFL) return;
    hangUp.sa_handler = onHangUp;
    sigemptyset(&hangUp.sa_mask);
    // Calls it interrupts go on: the mark is all the handler leaves.
    hangUp.sa_flags = SA_RESTART;
    hangUpWatched = sigaction(SIGHUP, &hangUp, nullptr) == 0;
#endif
}

bool hangUpCame() {
#if defined(SIGHUP)
    if (!hungUp) return false;
    hungUp = 0;
    return true;
#else
    return false;
#endif
}

void stopWatchingHangUp() {
#if defined(SIGHUP)
    if (!hangUpWatched) return;
    signal(SIGHUP, SIG_DFL);
    hangUpWatched = false;
    hungUp = 0;
#endif
}

}  // namespace sdlplat
