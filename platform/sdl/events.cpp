// SDL's events as the game's messages: keys as WM_KEYDOWN and WM_KEYUP with
// virtual-key codes (game controllers, in controllers.cpp, hold the same
// keys), focus as WM_ACTIVATEAPP, the window's close as WM_CLOSE, the
// timer's pushed events as WM_TIMER; sound devices coming and going go to
// sound.cpp. Everything is queued on the game's thread, in the order SDL
// gave it.
#include "platform/backend.h"
#include "platform/sdl/browser.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win_queue.h"

namespace {

constexpr WPARAM NoCode = 0xFF;  // a key the original platform had no code for

// A virtual key is down while any source holds it: the keyboard, or one of
// the inputs of an open controller (controllers.cpp). The game hears one
// key-down per press of any source (and per auto-repeat) and one key-up when
// the last lets go, so a key and a button held together never leave the key
// stuck or released early.
bool keyboardHeld[256];
int holders[256];

// A tap shorter than a frame still counts: the game reads its keys once a
// frame, so a key that went down and up again before any frame ran with it
// is let go only once one has. pressedInStep is the pump's step in which
// the key last went down from up (the frame of that step sees it held);
// releaseWaits, that its key-up is held back until that frame has run.
int64_t pressedInStep[256];
bool releaseWaits[256];

bool active = false;
bool closePosted = false;
// Enter pressed with Alt switches the screen mode and is no key for the game:
// its auto-repeats and its release are swallowed too.
bool enterSwallowed[2];

void postClose() {
    if (!closePosted) winq::postToWindow(WM_CLOSE, 0, 0);
    closePosted = true;
}

// One more source holds the key. A key pressed again while its release
// waits is still down as far as the game knows: the release is forgotten.
void startHolding(WPARAM vk) {
    if (holders[vk]++ > 0) return;
    if (!releaseWaits[vk]) pressedInStep[vk] = pumpStep();
    releaseWaits[vk] = false;
}

// The key-ups held back for a frame that has run since; with `all`, every
// one (the focus went: no frame runs until it comes back).
void postWaitingReleases(bool all) {
    const int64_t step = pumpStep();
    for (int vk = 0; vk < 256; ++vk) {
        if (!releaseWaits[vk] || (!all && step <= pressedInStep[vk])) continue;
        releaseWaits[vk] = false;
        winq::postToWindow(WM_KEYUP, static_cast<WPARAM>(vk), 0);
    }
}

void keyboardPress(WPARAM vk) {
    if (!keyboardHeld[vk]) {
        keyboardHeld[vk] = true;
        startHolding(vk);
    }
    sdlplat::repeatKey(vk);
}

// A release of a key the game never heard go down (held since before the
// window had the focus, or already released when the focus went) is dropped.
void keyboardRelease(WPARAM vk) {
    if (!keyboardHeld[vk]) return;
    keyboardHeld[vk] = false;
    sdlplat::letGoOfKey(vk);
}

void releaseEverything() {
    for (int vk = 0; vk < 256; ++vk) keyboardRelease(static_cast<WPARAM>(vk));
    sdlplat::releaseControllers();
    postWaitingReleases(true);
}

void key(const SDL_KeyboardEvent& k, bool down) {
    const SDL_Keycode sym = k.keysym.sym;
    const int enter = sym == SDLK_RETURN ? 0 : sym == SDLK_KP_ENTER ? 1 : -1;
    if (enter >= 0) {
        if (down && !k.repeat && (k.keysym.mod & KMOD_ALT)) {
            enterSwallowed[enter] = true;
            sdlplat::toggleFullscreen();
            return;
        }
        if (enterSwallowed[enter]) {
            if (!down) enterSwallowed[enter] = false;
            return;
        }
    }
    const WPARAM vk = sdlplat::virtualKeyFor(sym, k.keysym.mod);
    if (down)
        keyboardPress(vk);
    else
        keyboardRelease(vk);
}

void windowEvent(const SDL_WindowEvent& w) {
    if (!sdlplat::window() || w.windowID != SDL_GetWindowID(sdlplat::window())) return;
    switch (w.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (!active) {
                active = true;
                winq::postToWindow(WM_ACTIVATEAPP, 1, 0);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // No key stays down while the game cannot hear it go up.
            releaseEverything();
            if (active) {
                active = false;
                winq::postToWindow(WM_ACTIVATEAPP, 0, 0);
            }
            break;
        case SDL_WINDOWEVENT_CLOSE: postClose(); break;
        case SDL_WINDOWEVENT_EXPOSED:
            // Uncovered: the picture is shown again, also while the game
            // is paused and no frame brings a new one.
            sdlplat::showAgain();
            break;
        default: break;
    }
}

// Window events, while the presenter's thread owns the renderer
// (screen.cpp): SDL hands each one to the renderer on the thread that sends
// it, which here would be the game's. Such an event goes on under a type of
// our own instead, in its place in the queue, and the renderer hears of size
// changes from the presenter itself.
uint32_t windowEventType = 0;

int keepWindowEventsFromTheRenderer(void*, SDL_Event* e) {
    if (e->type == SDL_WINDOWEVENT && windowEventType != 0 && sdlplat::presenterOwnsRenderer() &&
        !sdlplat::onPresenterThread())
        e->type = windowEventType;
    return 1;
}

}  // namespace

namespace sdlplat {

WPARAM virtualKeyFor(SDL_Keycode sym, uint16_t modifiers) {
    if (sym >= SDLK_a && sym <= SDLK_z) return static_cast<WPARAM>(0x41 + (sym - SDLK_a));
    if (sym >= SDLK_0 && sym <= SDLK_9) return static_cast<WPARAM>(0x30 + (sym - SDLK_0));
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return static_cast<WPARAM>(0x70 + (sym - SDLK_F1));
    if (sym >= SDLK_F13 && sym <= SDLK_F24) return static_cast<WPARAM>(0x7C + (sym - SDLK_F13));
    // The keypad's digits are digits with Num Lock on and the keys printed
    // under them with it off, as the original platform had it.
    const bool numLock = (modifiers & KMOD_NUM) != 0;
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) {
        const int digit = static_cast<int>(sym - SDLK_KP_1) + 1;
        if (numLock) return static_cast<WPARAM>(0x60 + digit);
        constexpr WPARAM under[10] = {0x2D, 0x23,     VK_DOWN, 0x22,  VK_LEFT,
                                      0x0C, VK_RIGHT, 0x24,    VK_UP, 0x21};
        return under[digit];
    }
    switch (sym) {
        case SDLK_RETURN:
        case SDLK_RETURN2:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_KP_0: return numLock ? 0x60 : 0x2D;
        case SDLK_KP_PERIOD: return numLock ? 0x6E : 0x2E;
        case SDLK_KP_MULTIPLY: return 0x6A;
        case SDLK_KP_PLUS: return 0x6B;
        case SDLK_KP_MINUS: return 0x6D;
        case SDLK_KP_DIVIDE: return 0x6F;
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_LALT:
        case SDLK_RALT: return 0x12;
        case SDLK_PAUSE: return 0x13;
        case SDLK_CAPSLOCK: return 0x14;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_PRINTSCREEN: return 0x2C;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_LGUI: return 0x5B;
        case SDLK_RGUI: return 0x5C;
        case SDLK_APPLICATION: return 0x5D;
        case SDLK_NUMLOCKCLEAR: return 0x90;
        case SDLK_SCROLLLOCK: return 0x91;
        case SDLK_SEMICOLON: return 0xBA;
        case SDLK_EQUALS: return 0xBB;
        case SDLK_COMMA: return 0xBC;
        case SDLK_MINUS: return 0xBD;
        case SDLK_PERIOD: return 0xBE;
        case SDLK_SLASH: return 0xBF;
        case SDLK_BACKQUOTE: return 0xC0;
        case SDLK_LEFTBRACKET: return 0xDB;
        case SDLK_BACKSLASH: return 0xDC;
        case SDLK_RIGHTBRACKET: return 0xDD;
        case SDLK_QUOTE: return 0xDE;
        default: return NoCode;
    }
}

// While a recorded game plays again, the player only watches: Escape or F12
// stops it (as does closing the window), every other key and button and the
// window's focus are the record's.
bool replayEvent(const SDL_Event& e) {
    const bool window = e.type == SDL_WINDOWEVENT || (e.type == windowEventType && e.type != 0);
    const bool stop = (e.type == SDL_KEYDOWN &&
                       (e.key.keysym.sym == SDLK_ESCAPE || e.key.keysym.sym == SDLK_F12)) ||
                      e.type == SDL_QUIT || (window && e.window.event == SDL_WINDOWEVENT_CLOSE);
    if (stop) postClose();
    if (window && e.window.event == SDL_WINDOWEVENT_EXPOSED) sdlplat::showAgain();
    return e.type == SDL_KEYDOWN || e.type == SDL_KEYUP || e.type == SDL_QUIT || window ||
           (e.type >= SDL_CONTROLLERAXISMOTION && e.type <= SDL_CONTROLLERDEVICEREMAPPED);
}

bool replaying = false;

void handleEvent(const SDL_Event& e) {
    if (replaying && replayEvent(e)) return;
    if (e.type == timerEventType() && e.type != 0) {
        timerTickTaken();
        winq::postTimerTick();
        return;
    }
    if (e.type == windowEventType && e.type != 0) {
        windowEvent(e.window);
        return;
    }
    if (controllerEvent(e)) return;
    switch (e.type) {
        case SDL_KEYDOWN: key(e.key, true); break;
        case SDL_KEYUP: key(e.key, false); break;
        case SDL_WINDOWEVENT: windowEvent(e.window); break;
        // The window manager's close, SIGINT, SIGTERM and SIGHUP.
        case SDL_QUIT: postClose(); break;
        case SDL_AUDIODEVICEREMOVED:
        case SDL_AUDIODEVICEADDED: audioDeviceEvent(e.adevice); break;
        case SDL_RENDER_DEVICE_RESET: rendererReset(); break;
        default: break;
    }
}

void holdKey(WPARAM vk) {
    startHolding(vk);
    repeatKey(vk);
}

void letGoOfKey(WPARAM vk) {
    if (holders[vk] <= 0 || --holders[vk] > 0) return;
    if (pumpStep() > pressedInStep[vk])
        winq::postToWindow(WM_KEYUP, vk, 0);
    else
        releaseWaits[vk] = true;
}

void repeatKey(WPARAM vk) { winq::postToWindow(WM_KEYDOWN, vk, 0); }

bool keyboardHolds(WPARAM vk) { return vk < 256 && keyboardHeld[vk]; }

bool keyHeld(WPARAM vk) { return vk < 256 && (holders[vk] > 0 || releaseWaits[vk]); }

bool windowActive() { return active; }

void setReplaying(bool on) { replaying = on; }
bool isReplaying() { return replaying; }

void filterWindowEvents() {
    if (windowEventType == 0) {
        const Uint32 type = SDL_RegisterEvents(1);
        if (type == static_cast<Uint32>(-1)) return;
        windowEventType = type;
    }
    SDL_SetEventFilter(keepWindowEventsFromTheRenderer, nullptr);
}

void windowActivated() {
    active = true;
    closePosted = false;
}

void resetInput() {
    resetControllers();
    for (int vk = 0; vk < 256; ++vk) {
        keyboardHeld[vk] = false;
        holders[vk] = 0;
        pressedInStep[vk] = 0;
        releaseWaits[vk] = false;
    }
    enterSwallowed[0] = enterSwallowed[1] = false;
    active = false;
    closePosted = false;
    replaying = false;
}

}  // namespace sdlplat

namespace {

// The longest the game's thread sleeps in one wait for events: it looks
// again whether the display is still there (display_watch.h) even when SDL
// can no longer tell it anything.
constexpr int LongestWaitMs = 250;

// The wait for the next frame. SDL's own wait counts whole milliseconds and
// may wake a millisecond late, so it is used only until this long before
// the frame is due; the rest is slept precisely, to PolledNs before, and
// the pump's next look at the queue and the clock does the last stretch.
// A key that comes in those last two milliseconds is still seen by the
// frame: the pump looks at the queue before it starts one.
constexpr int64_t PreciseSleepNs = 2'000'000;
constexpr int64_t PolledNs = 50'000;

// Waits for SDL's next event for at most `timeoutMs` and turns what came
// into messages; first looks whether the display is still there and the
// terminal still open, and waits not at all when that brought a message.
void waitForEvent(int timeoutMs) {
    sdlplat::endIfDisplayLost();
    if (sdlplat::hangUpCame()) postClose();
    if (winq::messageWaiting()) return;
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, timeoutMs)) {
        sdlplat::handleEvent(e);
        while (SDL_PollEvent(&e)) sdlplat::handleEvent(e);
    }
    sdlplat::controllerRepeats();
}

// The time until the next controller repeat is due, capped at `limitMs`.
int timeoutWithRepeats(int limitMs) {
    const int repeat = sdlplat::nextControllerRepeatIn();
    return repeat < 0 || repeat > limitMs ? limitMs : repeat;
}

}  // namespace

namespace backend {

void pollEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    sdlplat::endIfDisplayLost();
    if (sdlplat::hangUpCame()) postClose();
    // A tap's release goes before whatever came after it.
    postWaitingReleases(false);
    SDL_Event e;
    while (SDL_PollEvent(&e)) sdlplat::handleEvent(e);
    sdlplat::controllerRepeats();
}

void waitEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
        // Nothing can ever arrive; do not spin.
        SDL_Delay(10);
        return;
    }
    while (!winq::messageWaiting()) waitForEvent(timeoutWithRepeats(LongestWaitMs));
}

void waitEventsUntil(uint32_t tick) {
    const int64_t deadline = sdlplat::nsWhenClockReads(tick);
    // A page hears of keys only while the browser has its thread: the wait
    // is handed to it until its next animation frame, and the pump's next
    // look finds what came.
    if (browser::waitForNextFrame(deadline)) return;
    const bool events = SDL_WasInit(SDL_INIT_EVENTS) != 0;
    while (!winq::messageWaiting()) {
        const int64_t left = deadline - sdlplat::nowNs();
        if (left <= PolledNs) return;
        const auto eventWaitMs = static_cast<int>((left - PreciseSleepNs) / 1'000'000);
        if (!events || eventWaitMs <= 0) {
            sdlplat::sleepUntilNs(deadline - PolledNs);
            return;
        }
        waitForEvent(timeoutWithRepeats(eventWaitMs));
    }
}

bool framesKeepAFixedStep() { return browser::framesKeepAFixedStep(); }

}  // namespace backend
