// SDL's events as the game's messages: keys (and game controllers standing in
// for keys) as WM_KEYDOWN and WM_KEYUP with virtual-key codes, focus as
// WM_ACTIVATEAPP, the window's close as WM_CLOSE, the timer's pushed events as
// WM_TIMER. Everything is queued on the game's thread, in the order SDL gave it.
#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win_queue.h"

namespace {

constexpr WPARAM NoCode = 0xFF;  // a key the original platform had no code for

// A virtual key is down while any source holds it: the keyboard, or one of
// the inputs of an open controller. The game hears one key-down per press of
// any source (and per auto-repeat) and one key-up when the last lets go, so a
// key and a button held together never leave the key stuck or released early.
bool keyboardHolds[256];
int holders[256];

// Controller inputs and the keys they stand for.
enum Input {
    PadA,
    PadStart,
    PadBack,
    PadUp,
    PadDown,
    PadLeft,
    PadRight,
    StickUp,
    StickDown,
    StickLeft,
    StickRight,
    InputCount
};
constexpr WPARAM inputKey[InputCount] = {VK_SPACE, VK_RETURN, VK_ESCAPE, VK_UP,   VK_DOWN, VK_LEFT,
                                         VK_RIGHT, VK_UP,     VK_DOWN,   VK_LEFT, VK_RIGHT};

// The stick counts as pressed past half its travel and as released again
// below a quarter, so that a stick resting near the edge does not chatter.
constexpr int StickPress = 16384;
constexpr int StickRelease = 8192;

// Controllers do not repeat by themselves: a held button repeats like a held
// key, after the usual half second, thirty times a second.
constexpr uint32_t RepeatDelayMs = 500;
constexpr uint32_t RepeatPeriodMs = 33;

constexpr int MaxControllers = 8;
struct Controller {
    SDL_GameController* pad;
    SDL_JoystickID id;
    bool held[InputCount];
};
Controller controllers[MaxControllers];
uint32_t nextRepeat[256];

bool active = false;
bool closePosted = false;
// Enter pressed with Alt switches the screen mode and is no key for the game:
// its auto-repeats and its release are swallowed too.
bool enterSwallowed[2];

void keyDown(WPARAM vk) { winq::postToWindow(WM_KEYDOWN, vk, 0); }

void releaseHolder(WPARAM vk) {
    if (--holders[vk] == 0) winq::postToWindow(WM_KEYUP, vk, 0);
}

void keyboardPress(WPARAM vk) {
    if (!keyboardHolds[vk]) {
        keyboardHolds[vk] = true;
        ++holders[vk];
    }
    keyDown(vk);
}

// A release of a key the game never heard go down (held since before the
// window had the focus, or already released when the focus went) is dropped.
void keyboardRelease(WPARAM vk) {
    if (!keyboardHolds[vk]) return;
    keyboardHolds[vk] = false;
    releaseHolder(vk);
}

void setInput(Controller& c, Input input, bool down) {
    if (c.held[input] == down) return;
    c.held[input] = down;
    const WPARAM vk = inputKey[input];
    if (down) {
        ++holders[vk];
        nextRepeat[vk] = SDL_GetTicks() + RepeatDelayMs;
        keyDown(vk);
    } else {
        releaseHolder(vk);
    }
}

void releaseController(Controller& c) {
    for (int i = 0; i < InputCount; ++i) setInput(c, static_cast<Input>(i), false);
}

void releaseEverything() {
    for (int vk = 0; vk < 256; ++vk) keyboardRelease(static_cast<WPARAM>(vk));
    for (Controller& c : controllers)
        if (c.pad) releaseController(c);
}

Controller* findController(SDL_JoystickID id) {
    for (Controller& c : controllers)
        if (c.pad && c.id == id) return &c;
    return nullptr;
}

void openController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    if (findController(SDL_JoystickGetDeviceInstanceID(deviceIndex))) return;
    for (Controller& c : controllers) {
        if (c.pad) continue;
        SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
        if (!pad) return;
        c = Controller{};
        c.pad = pad;
        c.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
        return;
    }
}

void closeController(SDL_JoystickID id) {
    Controller* c = findController(id);
    if (!c) return;
    releaseController(*c);
    SDL_GameControllerClose(c->pad);
    *c = Controller{};
}

void button(SDL_JoystickID id, uint8_t which, bool down) {
    Controller* c = findController(id);
    if (!c) return;
    // Presses that come while another program has the focus do not count.
    if (down && !active) return;
    switch (which) {
        case SDL_CONTROLLER_BUTTON_A: setInput(*c, PadA, down); break;
        case SDL_CONTROLLER_BUTTON_START: setInput(*c, PadStart, down); break;
        case SDL_CONTROLLER_BUTTON_BACK: setInput(*c, PadBack, down); break;
        case SDL_CONTROLLER_BUTTON_DPAD_UP: setInput(*c, PadUp, down); break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: setInput(*c, PadDown, down); break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: setInput(*c, PadLeft, down); break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: setInput(*c, PadRight, down); break;
        default: break;
    }
}

void stickAxis(Controller& c, Input negative, Input positive, int value) {
    const bool neg = c.held[negative] ? value < -StickRelease : value <= -StickPress;
    const bool pos = c.held[positive] ? value > StickRelease : value >= StickPress;
    setInput(c, negative, neg && active);
    setInput(c, positive, pos && active);
}

void axis(SDL_JoystickID id, uint8_t which, int value) {
    Controller* c = findController(id);
    if (!c) return;
    if (which == SDL_CONTROLLER_AXIS_LEFTX) stickAxis(*c, StickLeft, StickRight, value);
    if (which == SDL_CONTROLLER_AXIS_LEFTY) stickAxis(*c, StickUp, StickDown, value);
}

// A key the keyboard does not hold but a controller does.
bool repeatsForController(WPARAM vk) { return holders[vk] > 0 && !keyboardHolds[vk]; }

constexpr WPARAM repeatingKeys[] = {VK_SPACE, VK_RETURN, VK_ESCAPE, VK_LEFT,
                                    VK_UP,    VK_RIGHT,  VK_DOWN};

void controllerRepeats() {
    const uint32_t now = SDL_GetTicks();
    for (WPARAM vk : repeatingKeys) {
        if (!repeatsForController(vk)) continue;
        // Unsigned differences: right across the clock's wrap.
        if (static_cast<int32_t>(now - nextRepeat[vk]) < 0) continue;
        keyDown(vk);
        nextRepeat[vk] = now + RepeatPeriodMs;
    }
}

// Milliseconds until the next controller repeat is due, or -1 for none.
int nextRepeatIn() {
    const uint32_t now = SDL_GetTicks();
    int soonest = -1;
    for (WPARAM vk : repeatingKeys) {
        if (!repeatsForController(vk)) continue;
        const int32_t left = static_cast<int32_t>(nextRepeat[vk] - now);
        const int wait = left < 0 ? 0 : left;
        if (soonest < 0 || wait < soonest) soonest = wait;
    }
    return soonest;
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
        case SDL_WINDOWEVENT_CLOSE:
            if (!closePosted) winq::postToWindow(WM_CLOSE, 0, 0);
            closePosted = true;
            break;
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
    const bool stop = (e.type == SDL_KEYDOWN &&
                       (e.key.keysym.sym == SDLK_ESCAPE || e.key.keysym.sym == SDLK_F12)) ||
                      e.type == SDL_QUIT ||
                      ((e.type == SDL_WINDOWEVENT || (e.type == windowEventType && e.type != 0)) &&
                       e.window.event == SDL_WINDOWEVENT_CLOSE);
    if (stop && !closePosted) {
        winq::postToWindow(WM_CLOSE, 0, 0);
        closePosted = true;
    }
    if ((e.type == SDL_WINDOWEVENT || (e.type == windowEventType && e.type != 0)) &&
        e.window.event == SDL_WINDOWEVENT_EXPOSED)
        sdlplat::showAgain();
    return e.type == SDL_KEYDOWN || e.type == SDL_KEYUP || e.type == SDL_QUIT ||
           e.type == SDL_WINDOWEVENT || (e.type == windowEventType && e.type != 0) ||
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
    switch (e.type) {
        case SDL_KEYDOWN: key(e.key, true); break;
        case SDL_KEYUP: key(e.key, false); break;
        case SDL_WINDOWEVENT: windowEvent(e.window); break;
        case SDL_QUIT:
            if (!closePosted) winq::postToWindow(WM_CLOSE, 0, 0);
            closePosted = true;
            break;
        case SDL_CONTROLLERDEVICEADDED: openController(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: closeController(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN: button(e.cbutton.which, e.cbutton.button, true); break;
        case SDL_CONTROLLERBUTTONUP: button(e.cbutton.which, e.cbutton.button, false); break;
        case SDL_CONTROLLERAXISMOTION: axis(e.caxis.which, e.caxis.axis, e.caxis.value); break;
        case SDL_RENDER_DEVICE_RESET: rendererReset(); break;
        default: break;
    }
}

bool keyHeld(WPARAM vk) { return vk < 256 && holders[vk] > 0; }

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
    for (Controller& c : controllers)
        if (c.pad) SDL_GameControllerClose(c.pad);
    for (Controller& c : controllers) c = Controller{};
    for (int vk = 0; vk < 256; ++vk) {
        keyboardHolds[vk] = false;
        holders[vk] = 0;
        nextRepeat[vk] = 0;
    }
    enterSwallowed[0] = enterSwallowed[1] = false;
    active = false;
    closePosted = false;
    replaying = false;
}

}  // namespace sdlplat

namespace backend {

void pollEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) sdlplat::handleEvent(e);
    controllerRepeats();
}

void waitEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
        // Nothing can ever arrive; do not spin.
        SDL_Delay(10);
        return;
    }
    while (!winq::messageWaiting()) {
        const int timeout = nextRepeatIn();
        SDL_Event e;
        const int got = timeout < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, timeout);
        if (got) {
            sdlplat::handleEvent(e);
            while (SDL_PollEvent(&e)) sdlplat::handleEvent(e);
        } else if (timeout < 0) {
            SDL_Delay(10);  // an error, not a timeout: try again a little later
        }
        controllerRepeats();
    }
}

}  // namespace backend
