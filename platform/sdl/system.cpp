// The small system services over SDL: the millisecond clock and the precise
// sleep under the wait between frames, the 200 ms timer, message boxes and the developer's
// diagnostics.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/backend.h"
#include "platform/os.h"
#include "platform/sdl/browser.h"
#include "platform/sdl/sdl_platform.h"

namespace {

int64_t clockOrigin = -1;
int64_t lastRead = 0;  // when the game last read its clock
bool timerAsked = false;
bool seedSet = false;
uint32_t seed = 0;

uint32_t tickEvent = 0;
SDL_TimerID timer = 0;
// At most one tick waits in SDL's queue: a game that does not look at its
// messages for a while (a modal box, a slow frame) finds one tick, not a pile.
std::atomic<bool> tickWaiting{false};

// Runs on SDL's timer thread, so it only pushes an event; the game's thread
// turns it into WM_TIMER.
Uint32 onTimer(Uint32 interval, void*) {
    bool expected = false;
    if (tickWaiting.compare_exchange_strong(expected, true)) {
        SDL_Event e{};
        e.type = tickEvent;
        if (SDL_PushEvent(&e) != 1) tickWaiting = false;
    }
    return interval;
}

}  // namespace

namespace sdlplat {

int64_t nowNs() {
    const int64_t now = os::monotonicNs();
    if (clockOrigin < 0) clockOrigin = now;
    return now - clockOrigin;
}

int64_t nsWhenClockReads(uint32_t tick) {
    const int64_t nowMs = nowNs() / 1'000'000;
    const auto left = static_cast<int32_t>(tick - static_cast<uint32_t>(nowMs));
    return (nowMs + left) * 1'000'000;
}

void sleepUntilNs(int64_t when) {
    if (browser::sleepUntilNs(when)) return;
    if (clockOrigin < 0) nowNs();
    os::sleepUntilNs(clockOrigin + when);
}

int64_t lastClockReadNs() { return lastRead; }

int endWith(int code) {
    browser::end(code);
    return code;
}

bool startUpCompleted() { return timerAsked; }

void forgetStartUp() {
    timerAsked = false;
    seedSet = false;
}

void setSeed(uint32_t given) {
    seed = given;
    seedSet = true;
}

uint32_t timerEventType() { return tickEvent; }

void timerTickTaken() { tickWaiting = false; }

void stopTimer() {
    if (timer) SDL_RemoveTimer(timer);
    timer = 0;
    tickWaiting = false;
}

}  // namespace sdlplat

namespace backend {

// The real platform answers for an operation only when the tests ask, by
// naming it in PAKO_TEST_FAIL (start-up steps only): that is how they see the
// real executable meet a display that cannot be set up.
HRESULT fault(Op op) {
    static const char* const names[] = {"DirectDrawCreate", "QueryInterface", "SetCooperativeLevel",
                                        "SetDisplayMode",   "CreateSurface",  "GetAttachedSurface"};
    const char* asked = std::getenv("PAKO_TEST_FAIL");
    const auto i = static_cast<size_t>(op);
    if (!asked || i >= sizeof names / sizeof names[0]) return 0;
    return std::strcmp(asked, names[i]) == 0 ? E_FAIL : 0;
}

// Milliseconds of the monotonic clock since the platform first looked, cut
// to 32 bits: it wraps exactly as the original's clock.
uint32_t ticks() {
    lastRead = sdlplat::nowNs();
    return static_cast<uint32_t>(lastRead / 1'000'000);
}

uint32_t calendarSeconds() { return seedSet ? seed : static_cast<uint32_t>(std::time(nullptr)); }

bool startTimer(uint32_t periodMs) {
    // The game asks for its timer right after its display is set up.
    timerAsked = true;
    // A replay's ticks are the record's.
    if (sdlplat::isReplaying()) return true;
    if (periodMs == 0 || SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) return false;
    if (tickEvent == 0) {
        const Uint32 type = SDL_RegisterEvents(1);
        if (type == static_cast<Uint32>(-1)) return false;
        tickEvent = type;
    }
    // Setting the timer again replaces it, as it did for the same identifier.
    sdlplat::stopTimer();
    timer = SDL_AddTimer(periodMs, onTimer, nullptr);
    return timer != 0;
}

int messageBox(const char* text, const char* caption, uint32_t type) {
    // The line on standard error comes first: where no box can be shown it is
    // all there is, and a user in a terminal sees it either way.
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    const bool retryCancel = (type & 0x0F) == MB_RETRYCANCEL;
    const int closed = retryCancel ? IDCANCEL : IDOK;
    // A page shows the words itself and the game goes on as if the box
    // were closed.
    if (browser::showMessage(caption, text)) return closed;
    const SDL_MessageBoxButtonData retryButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDRETRY, "Retry"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"},
    };
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"},
    };
    SDL_MessageBoxData box{};
    box.flags = (type & 0xF0) == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING : 0;
    box.window = sdlplat::window();
    box.title = caption;
    box.message = text;
    box.numbuttons = retryCancel ? 2 : 1;
    box.buttons = retryCancel ? retryButtons : okButton;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return closed;
    // Closed by the window manager: no button, which counts as Cancel.
    return pressed < 0 ? closed : pressed;
}

void debugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

}  // namespace backend
