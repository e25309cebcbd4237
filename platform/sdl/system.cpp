// The small system services over SDL: the millisecond clock, the 200 ms
// timer, message boxes and the developer's diagnostics.
#include <atomic>
#include <cstdio>
#include <ctime>

#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"

namespace {

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

uint32_t timerEventType() { return tickEvent; }

void timerTickTaken() { tickWaiting = false; }

void stopTimer() {
    if (timer) SDL_RemoveTimer(timer);
    timer = 0;
    tickWaiting = false;
}

}  // namespace sdlplat

namespace backend {

// The real platform never answers for an operation.
HRESULT fault(Op) { return 0; }

// SDL's 64-bit count cut to 32 bits wraps exactly as the original's clock.
uint32_t ticks() { return static_cast<uint32_t>(SDL_GetTicks64()); }

uint32_t calendarSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

bool startTimer(uint32_t periodMs) {
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
