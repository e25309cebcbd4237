// Game controllers standing in for keys: A is Space, Start is Enter, Back is
// Escape, the d-pad and the left stick are the arrows. Each input of an open
// controller holds its key through the shared bookkeeping of events.cpp, so
// that a key and a button held together, or two controllers, never leave a
// key stuck or released early.
#include "platform/sdl/sdl_platform.h"

namespace {

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
// How many inputs of all controllers hold each key, and when it repeats.
int padHolds[256];
uint32_t nextRepeat[256];

void setInput(Controller& c, Input input, bool down) {
    if (c.held[input] == down) return;
    c.held[input] = down;
    const WPARAM vk = inputKey[input];
    if (down) {
        ++padHolds[vk];
        nextRepeat[vk] = SDL_GetTicks() + RepeatDelayMs;
        sdlplat::holdKey(vk);
    } else {
        --padHolds[vk];
        sdlplat::letGoOfKey(vk);
    }
}

void releaseController(Controller& c) {
    for (int i = 0; i < InputCount; ++i) setInput(c, static_cast<Input>(i), false);
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

// Pulled out: whatever it held is let go.
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
    if (down && !sdlplat::windowActive()) return;
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
    const bool active = sdlplat::windowActive();
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

// A key that a controller holds and the keyboard does not: the keyboard
// brings its own repeats.
bool repeatsForController(WPARAM vk) { return padHolds[vk] > 0 && !sdlplat::keyboardHolds(vk); }

constexpr WPARAM repeatingKeys[] = {VK_SPACE, VK_RETURN, VK_ESCAPE, VK_LEFT,
                                    VK_UP,    VK_RIGHT,  VK_DOWN};

}  // namespace

namespace sdlplat {

bool controllerEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: openController(e.cdevice.which); return true;
        case SDL_CONTROLLERDEVICEREMOVED: closeController(e.cdevice.which); return true;
        case SDL_CONTROLLERBUTTONDOWN: button(e.cbutton.which, e.cbutton.button, true); return true;
        case SDL_CONTROLLERBUTTONUP: button(e.cbutton.which, e.cbutton.button, false); return true;
        case SDL_CONTROLLERAXISMOTION:
            axis(e.caxis.which, e.caxis.axis, e.caxis.value);
            return true;
        default: return false;
    }
}

void controllerRepeats() {
    const uint32_t now = SDL_GetTicks();
    for (WPARAM vk : repeatingKeys) {
        if (!repeatsForController(vk)) continue;
        // Unsigned differences: right across the clock's wrap.
        if (static_cast<int32_t>(now - nextRepeat[vk]) < 0) continue;
        repeatKey(vk);
        nextRepeat[vk] = now + RepeatPeriodMs;
    }
}

int nextControllerRepeatIn() {
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

void releaseControllers() {
    for (Controller& c : controllers)
        if (c.pad) releaseController(c);
}

int controllersOpen() {
    int open = 0;
    for (const Controller& c : controllers) open += c.pad ? 1 : 0;
    return open;
}

void resetControllers() {
    for (Controller& c : controllers)
        if (c.pad) SDL_GameControllerClose(c.pad);
    for (Controller& c : controllers) c = Controller{};
    for (int vk = 0; vk < 256; ++vk) {
        padHolds[vk] = 0;
        nextRepeat[vk] = 0;
    }
}

}  // namespace sdlplat
