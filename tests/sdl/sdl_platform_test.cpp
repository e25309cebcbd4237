// The SDL platform under SDL's dummy video and audio drivers: SDL events
// become the game's messages, the timer's ticks arrive as queued messages,
// the picture reaches the window scaled with square pixels, the game's own
// pump ends with 0 on a close, and sound failures are silent.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/ddraw.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win_queue.h"
#include "shell/app.h"
#include "tests/sdl/polling.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> seen;

LRESULT recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({message, wParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string describe(const std::vector<Seen>& list) {
    std::string s;
    char buf[32];
    for (const Seen& m : list) {
        std::snprintf(buf, sizeof buf, "(%#x,%#x) ", m.message, m.wParam);
        s += buf;
    }
    return s;
}

class SdlPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        winq::reset();
        seen.clear();
    }
    void TearDown() override {
        sdlplat::shutdown();
        ddraw::reset();
        winq::reset();
    }

    // The window as the game makes it, with a procedure that records.
    HWND openWindow() {
        WNDCLASSA cls{};
        cls.lpfnWndProc = recordingProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hIcon = LoadIconA(cls.hInstance, MAKEINTRESOURCEA(101));
        cls.lpszClassName = "Pako";
        RegisterClassA(&cls);
        HWND w = CreateWindowExA(WS_EX_TOPMOST, "Pako", "Pako Tumbo", WS_POPUP, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, cls.hInstance, nullptr);
        if (w) {
            ShowWindow(w, SW_SHOWDEFAULT);
            pump();  // whatever the driver says about the new window
            seen.clear();
        }
        return w;
    }

    // A game controller plugged in, made by SDL's virtual joystick; null when
    // none can be made.
    static SDL_Joystick* plugInPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0 || !SDL_IsGameController(index)) return nullptr;
        return SDL_JoystickOpen(index);
    }

    // The window and the display set up as the game does it: true when every
    // step succeeded.
    bool setUpDisplay() {
        return openWindow() && backend::displayCreate() == S_OK &&
               backend::displaySetCooperativeLevel(0x11) == S_OK &&
               backend::displaySetMode(640, 480, 16) == S_OK &&
               backend::displayCreatePrimary() == S_OK;
    }

    // Every waiting message, dispatched as the game's pump does.
    static void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) {
                seen.push_back({WM_QUIT, msg.wParam});
                continue;
            }
            DispatchMessageA(&msg);
        }
    }

    static void push(const SDL_Event& e) {
        ASSERT_EQ(SDL_PushEvent(const_cast<SDL_Event*>(&e)), 1);
    }

    static void key(bool down, SDL_Keycode sym, bool repeat = false, uint16_t mod = KMOD_NONE) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = SDL_GetWindowID(sdlplat::window());
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        push(e);
    }

    static void windowEvent(uint8_t what) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(sdlplat::window());
        e.window.event = what;
        push(e);
    }
};

TEST(SdlPicture, LetterboxKeepsSquarePixelsAndCentres) {
    struct Case {
        int outW, outH;
        SDL_Rect want;
    } cases[] = {
        {640, 480, {0, 0, 640, 480}},
        {1280, 960, {0, 0, 1280, 960}},
        {1920, 1080, {240, 0, 1440, 1080}},  // bars left and right
        {1280, 1024, {0, 32, 1280, 960}},    // bars above and below
        {3840, 2160, {480, 0, 2880, 2160}},  // high-DPI output sizes
        {1366, 768, {171, 0, 1024, 768}},    // odd margins: the extra pixel goes right
        {100, 50, {17, 0, 66, 50}},          // smaller than the picture: scaled down
        {0, 768, {0, 0, 0, 0}},              // a minimised window: nothing
    };
    for (const Case& c : cases) {
        const SDL_Rect r = sdlplat::letterbox(c.outW, c.outH, 640, 480);
        EXPECT_TRUE(r.x == c.want.x && r.y == c.want.y && r.w == c.want.w && r.h == c.want.h)
            << c.outW << "x" << c.outH << " gave " << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
    // The window of Alt+Enter: the largest whole multiple that fits.
    EXPECT_EQ(sdlplat::windowedScale(1920, 1080, 640, 480), 2);
    EXPECT_EQ(sdlplat::windowedScale(1920, 1440, 640, 480), 3);
    EXPECT_EQ(sdlplat::windowedScale(3840, 2160, 640, 480), 4);
    EXPECT_EQ(sdlplat::windowedScale(1279, 959, 640, 480), 1);
    EXPECT_EQ(sdlplat::windowedScale(800, 400, 640, 480), 1);  // never smaller than 1
}

TEST(SdlKeys, VirtualKeyCodes) {
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_RETURN, 0), 0x0Du);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_ENTER, 0), 0x0Du);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_ESCAPE, 0), 0x1Bu);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_SPACE, 0), 0x20u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_LEFT, 0), 0x25u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_UP, 0), 0x26u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_RIGHT, 0), 0x27u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_DOWN, 0), 0x28u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_F12, 0), 0x7Bu);
    // The keypad's arrows without Num Lock, its digits with it.
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_4, 0), 0x25u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_8, 0), 0x26u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_6, 0), 0x27u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_2, 0), 0x28u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_4, KMOD_NUM), 0x64u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_KP_0, KMOD_NUM), 0x60u);
    // Other keys: their own codes, never one of the game's.
    const WPARAM game[] = {0x0D, 0x1B, 0x20, 0x25, 0x26, 0x27, 0x28, 0x7B};
    const SDL_Keycode others[] = {SDLK_a,         SDLK_z,    SDLK_0,      SDLK_F1,
                                  SDLK_F11,       SDLK_TAB,  SDLK_LSHIFT, SDLK_LALT,
                                  SDLK_BACKSPACE, SDLK_KP_5, SDLK_MENU,   SDLK_AUDIOPLAY};
    for (SDL_Keycode k : others)
        for (WPARAM g : game) EXPECT_NE(sdlplat::virtualKeyFor(k, 0), g) << SDL_GetKeyName(k);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_a, 0), 0x41u);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_F11, 0), 0x7Au);
    EXPECT_EQ(sdlplat::virtualKeyFor(SDLK_AUDIOPLAY, 0), 0xFFu);
}

TEST_F(SdlPlatform, EventsBecomeMessagesInOrder) {
    ASSERT_TRUE(openWindow());
    // Each pump() is a step of the pump (the test's passes end on an empty
    // queue, as before a frame): a key let go in a later step than it went
    // down is let go at once.
    key(true, SDLK_SPACE);
    key(true, SDLK_SPACE, true);  // auto-repeats come as key-downs
    key(true, SDLK_SPACE, true);
    pump();
    key(false, SDLK_SPACE);
    key(true, SDLK_KP_ENTER);
    pump();
    key(false, SDLK_KP_ENTER);
    key(true, SDLK_a);
    pump();
    key(false, SDLK_a);
    key(false, SDLK_DOWN);  // never pressed as far as the game knows: dropped
    key(true, SDLK_LEFT);
    key(true, SDLK_UP);
    pump();
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);  // releases what is held
    key(false, SDLK_LEFT);                    // already released
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);  // no news: nothing
    key(true, SDLK_F12);
    pump();
    const std::vector<Seen> want = {
        {WM_KEYDOWN, VK_SPACE}, {WM_KEYDOWN, VK_SPACE},  {WM_KEYDOWN, VK_SPACE},
        {WM_KEYUP, VK_SPACE},   {WM_KEYDOWN, VK_RETURN}, {WM_KEYUP, VK_RETURN},
        {WM_KEYDOWN, 0x41},     {WM_KEYUP, 0x41},        {WM_KEYDOWN, VK_LEFT},
        {WM_KEYDOWN, VK_UP},    {WM_KEYUP, VK_LEFT},     {WM_KEYUP, VK_UP},
        {WM_ACTIVATEAPP, 0},    {WM_ACTIVATEAPP, 1},     {WM_KEYDOWN, VK_F12},
    };
    EXPECT_EQ(seen, want) << describe(seen);

    // Alt+Enter switches to a window and back, and the game hears nothing
    // of it: not the press, its repeats, nor its release.
    seen.clear();
    ASSERT_TRUE(sdlplat::fullscreen());
    key(true, SDLK_LALT);
    key(true, SDLK_RETURN, false, KMOD_LALT);
    key(true, SDLK_RETURN, true, KMOD_LALT);
    key(true, SDLK_RETURN, true, KMOD_NONE);  // Alt let go first, Enter still held
    key(false, SDLK_RETURN);
    pump();
    EXPECT_FALSE(sdlplat::fullscreen());
    EXPECT_FALSE(SDL_GetWindowFlags(sdlplat::window()) & SDL_WINDOW_FULLSCREEN_DESKTOP);
    int w = 0, h = 0;
    SDL_GetWindowSize(sdlplat::window(), &w, &h);
    EXPECT_EQ(w % 640, 0);
    EXPECT_EQ(h, w / 4 * 3);
    key(true, SDLK_KP_ENTER, false, KMOD_RALT);
    key(false, SDLK_KP_ENTER, false, KMOD_RALT);
    key(false, SDLK_LALT);
    pump();
    EXPECT_TRUE(sdlplat::fullscreen());
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYDOWN, 0x12}, {WM_KEYUP, 0x12}})) << describe(seen);

    // The window manager's close, and SDL's quit that follows it, make one
    // close request; the default handling ends in the quit message, code 0.
    seen.clear();
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_CLOSE, 0}, {WM_DESTROY, 0}})) << describe(seen);
    EXPECT_EQ(winq::window(), nullptr);
    EXPECT_EQ(sdlplat::window(), nullptr);
}

TEST_F(SdlPlatform, ControllersDriveTheSameKeys) {
    ASSERT_TRUE(openWindow());
    SDL_Joystick* stick = plugInPad();
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    auto set = [&](int button, bool down) {
        SDL_JoystickSetVirtualButton(stick, button, down ? 1 : 0);
        SDL_JoystickUpdate();
        SDL_GameControllerUpdate();
        pump();
    };
    auto tilt = [&](int axisIndex, int16_t value) {
        SDL_JoystickSetVirtualAxis(stick, axisIndex, value);
        SDL_JoystickUpdate();
        SDL_GameControllerUpdate();
        pump();
    };
    pump();  // plugged in after the window came: opened now
    seen.clear();

    // Every mapped button as its key.
    const struct {
        int button;
        WPARAM vk;
    } map[] = {
        {SDL_CONTROLLER_BUTTON_A, VK_SPACE},         {SDL_CONTROLLER_BUTTON_START, VK_RETURN},
        {SDL_CONTROLLER_BUTTON_BACK, VK_ESCAPE},     {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_UP},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, VK_DOWN},  {SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_LEFT},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT}};
    std::vector<Seen> want;
    for (const auto& m : map) {
        set(m.button, true);
        set(m.button, false);
        want.push_back({WM_KEYDOWN, m.vk});
        want.push_back({WM_KEYUP, m.vk});
    }
    set(SDL_CONTROLLER_BUTTON_X, true);  // unmapped: nothing
    set(SDL_CONTROLLER_BUTTON_X, false);
    EXPECT_EQ(seen, want) << describe(seen);

    // A key and a button together: the key goes up when the last lets go.
    seen.clear();
    key(true, SDLK_SPACE);
    pump();
    set(SDL_CONTROLLER_BUTTON_A, true);
    key(false, SDLK_SPACE);
    pump();
    EXPECT_TRUE(sdlplat::keyHeld(VK_SPACE));
    set(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {WM_KEYDOWN, VK_SPACE}, {WM_KEYDOWN, VK_SPACE}, {WM_KEYUP, VK_SPACE}}))
        << describe(seen);

    // The stick: past half its travel pressed, below a quarter released, so
    // a small wobble near the threshold does not chatter.
    seen.clear();
    tilt(SDL_CONTROLLER_AXIS_LEFTX, 30000);
    tilt(SDL_CONTROLLER_AXIS_LEFTX, 12000);
    tilt(SDL_CONTROLLER_AXIS_LEFTX, 20000);
    tilt(SDL_CONTROLLER_AXIS_LEFTX, 0);
    tilt(SDL_CONTROLLER_AXIS_LEFTY, -32768);
    tilt(SDL_CONTROLLER_AXIS_LEFTY, 32767);  // straight through to the other side
    tilt(SDL_CONTROLLER_AXIS_LEFTY, 0);
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYDOWN, VK_RIGHT},
                                       {WM_KEYUP, VK_RIGHT},
                                       {WM_KEYDOWN, VK_UP},
                                       {WM_KEYUP, VK_UP},
                                       {WM_KEYDOWN, VK_DOWN},
                                       {WM_KEYUP, VK_DOWN}}))
        << describe(seen);

    // A held button repeats like a held key.
    seen.clear();
    set(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    SDL_Delay(600);
    pump();
    set(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    ASSERT_GE(seen.size(), 3u) << describe(seen);
    for (size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_EQ(seen[i], (Seen{WM_KEYDOWN, VK_DOWN}));
    EXPECT_EQ(seen.back(), (Seen{WM_KEYUP, VK_DOWN}));

    // Unplugged while the d-pad and the stick hold Left: released once.
    seen.clear();
    set(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    tilt(SDL_CONTROLLER_AXIS_LEFTX, -30000);
    const SDL_JoystickID id = SDL_JoystickInstanceID(stick);
    SDL_JoystickClose(stick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_LEFT}, {WM_KEYUP, VK_LEFT}}))
        << describe(seen);
    EXPECT_FALSE(sdlplat::keyHeld(VK_LEFT));
    EXPECT_EQ(sdlplat::controllersOpen(), 0);
}

// Two controllers at once: each holds its own keys, and a key both hold goes
// up when the last lets go; pulling one out lets go of its keys alone.
TEST_F(SdlPlatform, TwoControllersHoldKeysTogether) {
    ASSERT_TRUE(openWindow());
    SDL_Joystick* sticks[2] = {plugInPad(), plugInPad()};
    ASSERT_NE(sticks[0], nullptr) << SDL_GetError();
    ASSERT_NE(sticks[1], nullptr) << SDL_GetError();
    pump();
    EXPECT_EQ(sdlplat::controllersOpen(), 2);
    auto set = [&](SDL_Joystick* stick, int button, bool down) {
        SDL_JoystickSetVirtualButton(stick, button, down ? 1 : 0);
        SDL_JoystickUpdate();
        pump();
    };
    seen.clear();
    set(sticks[0], SDL_CONTROLLER_BUTTON_A, true);
    set(sticks[1], SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    set(sticks[1], SDL_CONTROLLER_BUTTON_A, true);
    set(sticks[0], SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_TRUE(sdlplat::keyHeld(VK_SPACE)) << "the second still holds A";
    EXPECT_TRUE(sdlplat::keyHeld(VK_RIGHT));
    // The first pulled out: it held nothing any more, nothing changes.
    const SDL_JoystickID first = SDL_JoystickInstanceID(sticks[0]);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == first) SDL_JoystickDetachVirtual(i);
    SDL_JoystickClose(sticks[0]);
    pump();
    EXPECT_EQ(sdlplat::controllersOpen(), 1);
    EXPECT_TRUE(sdlplat::keyHeld(VK_SPACE));
    // The second pulled out holding A and Right: both go up, once each.
    SDL_JoystickDetachVirtual(0);
    SDL_JoystickClose(sticks[1]);
    pump();
    EXPECT_FALSE(sdlplat::keyHeld(VK_SPACE));
    EXPECT_FALSE(sdlplat::keyHeld(VK_RIGHT));
    EXPECT_EQ(sdlplat::controllersOpen(), 0);
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYDOWN, VK_SPACE},
                                       {WM_KEYDOWN, VK_RIGHT},
                                       {WM_KEYDOWN, VK_SPACE},
                                       {WM_KEYUP, VK_SPACE},
                                       {WM_KEYUP, VK_RIGHT}}))
        << describe(seen);
}

// A tap shorter than a frame counts: a key or a button pressed and let go
// within one step of the pump (before any frame ran with it) is held for
// that step's frame and let go at the next; a key pressed again meanwhile
// stays down. Losing the focus lets go of such a key at once.
TEST_F(SdlPlatform, ATapShorterThanAFrameIsHeldForOneFrame) {
    ASSERT_TRUE(openWindow());
    SDL_Joystick* stick = plugInPad();
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    pump();
    seen.clear();
    auto button = [&](int which, bool down) {
        SDL_JoystickSetVirtualButton(stick, which, down ? 1 : 0);
        SDL_JoystickUpdate();
        SDL_GameControllerUpdate();
    };
    key(true, SDLK_RETURN);
    key(false, SDLK_RETURN);
    button(SDL_CONTROLLER_BUTTON_A, true);
    button(SDL_CONTROLLER_BUTTON_A, false);
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYDOWN, VK_RETURN}, {WM_KEYDOWN, VK_SPACE}}))
        << describe(seen);
    EXPECT_TRUE(sdlplat::keyHeld(VK_RETURN));
    EXPECT_TRUE(sdlplat::keyHeld(VK_SPACE));
    seen.clear();
    pump();  // a frame ran: both go up, before anything that came after
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYUP, VK_RETURN}, {WM_KEYUP, VK_SPACE}}))
        << describe(seen);
    EXPECT_FALSE(sdlplat::keyHeld(VK_RETURN));

    // Two taps of Up within a frame are two presses, one release after it;
    // a key tapped and pressed again stays down until it really goes up.
    seen.clear();
    key(true, SDLK_UP);
    key(false, SDLK_UP);
    key(true, SDLK_UP);
    key(false, SDLK_UP);
    key(true, SDLK_LEFT);
    key(false, SDLK_LEFT);
    key(true, SDLK_LEFT);
    pump();
    pump();
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_KEYDOWN, VK_UP},
                                       {WM_KEYDOWN, VK_UP},
                                       {WM_KEYDOWN, VK_LEFT},
                                       {WM_KEYDOWN, VK_LEFT},
                                       {WM_KEYUP, VK_UP}}))
        << describe(seen);
    EXPECT_TRUE(sdlplat::keyHeld(VK_LEFT));
    key(false, SDLK_LEFT);
    pump();
    EXPECT_FALSE(sdlplat::keyHeld(VK_LEFT));

    // The focus lost right after a tap: its release goes at once, before the
    // game hears that it lost the focus.
    seen.clear();
    key(true, SDLK_SPACE);
    key(false, SDLK_SPACE);
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {WM_KEYDOWN, VK_SPACE}, {WM_KEYUP, VK_SPACE}, {WM_ACTIVATEAPP, 0}}))
        << describe(seen);
    SDL_JoystickClose(stick);
}

TEST_F(SdlPlatform, TimerTicksArriveAsQueuedMessages) {
    HWND w = openWindow();
    ASSERT_TRUE(w);
    ASSERT_EQ(SetTimer(w, 1, 20, nullptr), 1u);
    // The tick wakes a pump that waits, as a message of the queue.
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 1u);
    // A game that does not look for a while finds one tick, not a pile.
    SDL_Delay(200);
    pump();
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_TIMER, 1}})) << describe(seen);
    // The window's end stops its timer.
    DestroyWindow(w);
    SDL_Delay(60);
    backend::pollEvents();
    EXPECT_FALSE(winq::messageWaiting());
}

TEST_F(SdlPlatform, PictureFillsTheScreenWithSquarePixels) {
    HWND w = openWindow();
    ASSERT_TRUE(w);
    // Nothing can be shown before the device exists, nor with a picture of
    // another size or format.
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(backend::displayPresent(back), S_OK);
    ASSERT_EQ(backend::displayCreate(), S_OK);
    ASSERT_EQ(backend::displaySetCooperativeLevel(0x11), S_OK);
    EXPECT_NE(backend::displaySetMode(640, 480, 8), S_OK);
    ASSERT_EQ(backend::displaySetMode(640, 480, 16), S_OK);
    ASSERT_EQ(backend::displayCreatePrimary(), S_OK);
    SDL_Surface* wrong = SDL_CreateRGBSurfaceWithFormat(0, 320, 240, 16, SDL_PIXELFORMAT_RGB565);
    EXPECT_NE(backend::displayPresent(wrong), S_OK);
    SDL_FreeSurface(wrong);

    // A checkerboard of 8-pixel cells, red and blue, with a green corner.
    auto* px = static_cast<uint16_t*>(back->pixels);
    const int pitch = back->pitch / 2;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) px[y * pitch + x] = ((x / 8 + y / 8) % 2) ? 0xF800 : 0x001F;
    px[0] = 0x07E0;

    // What the player sees: the window's own pixels.
    auto shown = [&](int x, int y) {
        SDL_Surface* s = SDL_GetWindowSurface(sdlplat::window());
        Uint32 v = 0;
        std::memcpy(&v,
                    static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                    s->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(v, s->format, &r, &g, &b);
        return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
    };
    auto check = [&](int outW, int outH) {
        // The flip hands the picture over, and the presenter shows it.
        const int64_t before = sdlplat::picturesShownSoFar();
        ASSERT_EQ(backend::displayPresent(back), S_OK);
        ASSERT_TRUE(waitUntil([&] { return sdlplat::picturesShownSoFar() > before; }));
        const SDL_Rect r = sdlplat::letterbox(outW, outH, 640, 480);
        int wrongCells = 0;
        for (int cy = 0; cy < 60; ++cy)
            for (int cx = 0; cx < 80; ++cx) {
                // The middle of each cell on the screen.
                const int x = r.x + static_cast<int>((cx * 8 + 4) * int64_t{r.w} / 640);
                const int y = r.y + static_cast<int>((cy * 8 + 4) * int64_t{r.h} / 480);
                const uint32_t want = ((cx + cy) % 2) ? 0xFF0000u : 0x0000FFu;
                if ((shown(x, y) & 0xF0F0F0) != (want & 0xF0F0F0)) ++wrongCells;
            }
        EXPECT_EQ(wrongCells, 0) << outW << "x" << outH;
        EXPECT_EQ(shown(r.x, r.y) & 0xF0F0F0, 0x00F000u) << "top-left pixel";
        if (r.x > 0) {
            EXPECT_EQ(shown(r.x - 1, outH / 2), 0u) << "bar at the left";
        }
        if (r.x + r.w < outW) {
            EXPECT_EQ(shown(r.x + r.w, outH / 2), 0u) << "bar at the right";
        }
        if (r.y > 0) {
            EXPECT_EQ(shown(outW / 2, r.y - 1), 0u) << "bar at the top";
        }
    };
    int ww = 0, wh = 0;
    SDL_GetWindowSize(sdlplat::window(), &ww, &wh);
    check(ww, wh);  // the dummy desktop, full screen
    // A window of another shape shows bars.
    sdlplat::toggleFullscreen();
    SDL_SetWindowSize(sdlplat::window(), 900, 480);
    backend::pollEvents();
    check(900, 480);
    SDL_SetWindowSize(sdlplat::window(), 640, 600);
    backend::pollEvents();
    check(640, 600);

    // Released after a partial set-up, and twice: nothing left, no harm.
    backend::displayRelease();
    backend::displayRelease();
    EXPECT_NE(backend::displayPresent(back), S_OK);
    ASSERT_EQ(backend::displayCreate(), S_OK);
    backend::displayRelease();
    SDL_FreeSurface(back);
}

// Every game pixel comes out the same size, also where the window is not a
// whole multiple of the picture: a picture of one-pixel stripes, shown at
// 2.25 times its size, gives each white stripe the same weight on the
// screen (nearest neighbour alone gives 2 and 3 pixels in turn), and stays
// sharp (smoothing all the way would blend nearly every pixel). At a whole
// multiple every pixel is pure.
TEST_F(SdlPlatform, EveryGamePixelComesOutTheSameSize) {
    ASSERT_TRUE(setUpDisplay());
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    ASSERT_NE(back, nullptr);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            static_cast<uint16_t*>(back->pixels)[y * back->pitch / 2 + x] = x % 2 ? 0xFFFF : 0;
    sdlplat::toggleFullscreen();
    // The white weight of each screen pixel of the middle row, 0 to 1.
    auto row = [&](int width, int height) {
        SDL_SetWindowSize(sdlplat::window(), width, height);
        backend::pollEvents();
        const int64_t before = sdlplat::picturesShownSoFar();
        EXPECT_EQ(backend::displayPresent(back), S_OK);
        EXPECT_TRUE(waitUntil([&] { return sdlplat::picturesShownSoFar() > before; }));
        SDL_Surface* s = SDL_GetWindowSurface(sdlplat::window());
        std::vector<double> weight(static_cast<size_t>(s->w));
        for (int x = 0; x < s->w; ++x) {
            Uint32 v = 0;
            std::memcpy(&v,
                        static_cast<uint8_t*>(s->pixels) + (s->h / 2) * s->pitch +
                            x * s->format->BytesPerPixel,
                        s->format->BytesPerPixel);
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            weight[static_cast<size_t>(x)] = g / 255.0;
        }
        return weight;
    };

    const std::vector<double> scaled = row(1440, 1080);
    ASSERT_EQ(scaled.size(), 1440u);
    double least = 99, most = 0;
    int pure = 0;
    for (int i = 1; i < 639; i += 2) {
        // Stripe i with half of each black neighbour: all of its weight.
        double sum = 0;
        for (int x = static_cast<int>((i - 0.5) * 2.25); x < static_cast<int>((i + 1.5) * 2.25);
             ++x)
            sum += scaled[static_cast<size_t>(x)];
        least = std::min(least, sum);
        most = std::max(most, sum);
    }
    for (double v : scaled) pure += v < 0.02 || v > 0.98;
    EXPECT_LT(most - least, 0.5) << "white stripes from " << least << " to " << most << " pixels";
    // Smoothed only in the last step, an edge blends about one pixel;
    // smoothed all the way, about two, and few pixels stay pure.
    EXPECT_GT(pure, 1440 / 3) << "pixels wholly black or white";

    const std::vector<double> whole = row(1280, 960);
    for (size_t x = 0; x < whole.size(); ++x)
        ASSERT_TRUE(whole[x] < 0.02 || whole[x] > 0.98) << "blended pixel " << x << " at 2x";
    SDL_FreeSurface(back);
}

// Without a presenter's thread (a browser), a flip's picture is shown at
// the flip, for the screen to take at its next refresh; one the same as the
// picture on the screen not at all. The wait for the next frame shows
// nothing, and it never returns early.
TEST_F(SdlPlatform, WithoutThreadsThePictureIsShownAtItsFlip) {
    setenv("PAKO_PRESENT_INLINE", "1", 1);
    ASSERT_TRUE(setUpDisplay());
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    ASSERT_NE(back, nullptr);
    const int64_t before = sdlplat::picturesShownSoFar();
    ASSERT_EQ(backend::displayPresent(back), S_OK);
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before + 1) << "the first picture, at its flip";
    EXPECT_FALSE(sdlplat::presenterOwnsRenderer());
    ASSERT_EQ(backend::displayPresent(back), S_OK);
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before + 1) << "the same picture shown again";
    static_cast<uint16_t*>(back->pixels)[320] = 0xffff;  // one pixel changed
    ASSERT_EQ(backend::displayPresent(back), S_OK);
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before + 2) << "a changed picture, at its flip";
    // A wait of a tenth of a second shows nothing more and does not end
    // before its time, however busy the machine.
    const uint32_t due = backend::ticks() + 100;
    backend::waitEventsUntil(due);
    EXPECT_GE(static_cast<int32_t>(backend::ticks() - due), -1) << "the wait returned early";
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before + 2);
    // A wait whose time has come returns at once.
    backend::waitEventsUntil(backend::ticks());
    // The window uncovered: the picture on the screen is shown again.
    sdlplat::showAgain();
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before + 3);
    unsetenv("PAKO_PRESENT_INLINE");
    SDL_FreeSurface(back);
}

// Showing a picture never makes the game wait: while the presenter is
// caught in a present that does not end (held), flips go on and return;
// once it is free it shows the latest picture, and the ones flipped over
// in between are left out.
TEST_F(SdlPlatform, FlipsNeverWaitForThePresenter) {
    ASSERT_TRUE(setUpDisplay());
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    ASSERT_NE(back, nullptr);
    auto fill = [&](uint16_t colour) {
        auto* px = static_cast<uint16_t*>(back->pixels);
        for (int i = 0; i < back->h * back->pitch / 2; ++i) px[i] = colour;
    };
    const int64_t before = sdlplat::picturesShownSoFar();
    sdlplat::holdPresenter(true);
    // A thousand flips, about fourteen seconds of play: a flip that waited
    // for the presenter would never return, and the test would hang.
    const uint16_t colours[] = {0xF800, 0x07E0, 0x001F};
    for (int i = 0; i < 1000; ++i) {
        fill(colours[i % 3]);
        ASSERT_EQ(backend::displayPresent(back), S_OK);
    }
    EXPECT_TRUE(sdlplat::presenterOwnsRenderer());
    EXPECT_EQ(sdlplat::picturesShownSoFar(), before) << "shown while the presenter was held";
    sdlplat::holdPresenter(false);
    ASSERT_TRUE(waitUntil([&] { return sdlplat::picturesShownSoFar() > before; }));
    // The last flip's picture (red: flip 999), not one flipped over.
    SDL_Surface* s = SDL_GetWindowSurface(sdlplat::window());
    Uint32 v = 0;
    std::memcpy(&v,
                static_cast<uint8_t*>(s->pixels) + (s->h / 2) * s->pitch +
                    (s->w / 2) * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    EXPECT_EQ((int{r} << 16) | (int{g} << 8) | b, 0xFF0000);
    SDL_FreeSurface(back);
}

// A close posted while the game runs ends the game's own pump with 0: the
// whole game on the SDL platform, with Escape pressed after a moment.
Uint32 pressEscape(Uint32, void*) {
    if (!sdlplat::window()) return 20;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(sdlplat::window());
    e.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&e);
    return 0;
}

TEST_F(SdlPlatform, EscapeEndsTheGameWithZero) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    const SDL_TimerID t = SDL_AddTimer(300, pressEscape, nullptr);
    ASSERT_NE(t, 0);
    const Uint32 start = SDL_GetTicks();
    const int code = appMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
    EXPECT_EQ(code, 0);
    EXPECT_GE(SDL_GetTicks() - start, 250u) << "the game ran until Escape";
    EXPECT_EQ(sdlplat::window(), nullptr);
    EXPECT_EQ(winq::window(), nullptr);
}

TEST_F(SdlPlatform, NoDisplayEndsQuietlyWithOneLine) {
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    const int code = appMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
    const std::string err = testing::internal::GetCapturedStderr();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("no display"), std::string::npos) << err;
}

TEST_F(SdlPlatform, MessageBoxesWithoutADisplayAreALineOnStandardError) {
    testing::internal::CaptureStderr();
    const int retry =
        backend::messageBox("Too many clocks or timers!", "Pako", MB_ICONWARNING | MB_RETRYCANCEL);
    const int ok = backend::messageBox("SetDisplayMode FAILED", "Velmora", MB_OK);
    const std::string err = testing::internal::GetCapturedStderr();
    // No box could be shown: Cancel, so that a retry loop ends.
    EXPECT_EQ(retry, IDCANCEL);
    EXPECT_EQ(ok, IDOK);
    EXPECT_EQ(err, "Pako: Too many clocks or timers!\nVelmora: SetDisplayMode FAILED\n");
}

// A small valid wave file: 8-bit mono, 22050 Hz, half a second of a tone.
void writeWave(const std::string& path, int samples = 11025) {
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4);
    u32(static_cast<uint32_t>(36 + samples));
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(22050);
    u32(22050);
    u16(1);
    u16(8);
    f.write("data", 4);
    u32(static_cast<uint32_t>(samples));
    for (int i = 0; i < samples; ++i) f.put(static_cast<char>((i / 25) % 2 ? 0xC0 : 0x40));
}

class SdlSound : public SdlPlatform {
protected:
    void SetUp() override {
        SdlPlatform::SetUp();
        dir = std::filesystem::temp_directory_path() / ("pako-sound-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
        SdlPlatform::TearDown();
    }
    std::filesystem::path dir, previous;
};

TEST_F(SdlSound, OneChannelFilesReadOnce) {
    writeWave("kick.wav");
    writeWave("a1.wav");
    backend::playSound("kick.wav");
    ASSERT_TRUE(sdlplat::audioAvailable());
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "kick.wav");
    backend::playSound("kick.wav");
    backend::playSound("kick.wav");
    EXPECT_EQ(sdlplat::soundFileReads(), 1) << "kept after the first read";
    // A new sound cuts off the one still playing.
    backend::playSound("a1.wav");
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "a1.wav");
    EXPECT_EQ(sdlplat::soundFileReads(), 2);
    std::filesystem::remove("kick.wav");
    backend::playSound("kick.wav");  // still kept, though the file has gone
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "kick.wav");
    EXPECT_EQ(sdlplat::soundFileReads(), 2);
}

TEST_F(SdlSound, BadFilesAreSilent) {
    writeWave("kick.wav");
    { std::ofstream("notes.wav") << "this is no wave file at all"; }
    {
        std::ofstream f("short.wav", std::ios::binary);
        f.write("RIFF\x10\0\0\0WAVEfmt ", 16);  // cut off in its header
    }
    {
        std::ofstream f("song.wav", std::ios::binary);
        f.write("OggS\0\x02\0\0\0\0\0\0\0\0", 14);  // another format under the name
    }
    // A good file cut short in its samples, one whose data chunk claims more
    // than the file holds, one whose RIFF size is absurd, an empty file and
    // a folder of the name.
    writeWave("cut.wav");
    std::filesystem::resize_file("cut.wav", 44 + 100);
    writeWave("past.wav");
    {
        std::fstream f("past.wav", std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(40);
        const uint32_t huge = 0x7FFFFFF0u;
        f.write(reinterpret_cast<const char*>(&huge), 4);
    }
    writeWave("absurd.wav");
    {
        std::fstream f("absurd.wav", std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(4);
        const uint32_t huge = 0xFFFFFFFFu;
        f.write(reinterpret_cast<const char*>(&huge), 4);
    }
    { std::ofstream("empty.wav"); }
    std::filesystem::create_directory("folder.wav");
    const char* silent[] = {"missing.wav", "notes.wav", "short.wav",  "song.wav",  "",
                            "cut.wav",     "past.wav",  "absurd.wav", "empty.wav", "folder.wav"};
    for (const char* name : silent) {
        backend::playSound("kick.wav");
        ASSERT_TRUE(sdlplat::soundPlaying());
        backend::playSound(name);
        EXPECT_FALSE(sdlplat::soundPlaying()) << name;
        backend::playSound(name);  // asked again: not read again
    }
    EXPECT_EQ(sdlplat::soundFileReads(), 1 + 10);
}

// The fuzzer's seed files: every kind SDL_mixer takes plays, every broken
// one is silent, each read once.
TEST_F(SdlSound, EveryCorpusWaveIsPlayedOrSilentAsItsNameSays) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PAKO_WAVE_CORPUS)) {
        const std::string name = entry.path().filename().string();
        std::filesystem::copy_file(entry.path(), name);
        backend::playSound(name.c_str());
        const bool plays = name.rfind("ok-", 0) == 0;
        EXPECT_EQ(sdlplat::soundPlaying(), plays) << name;
        ++files;
        sdlplat::forgetSounds();  // more names than the game's few slots
    }
    EXPECT_GE(files, 10);
    EXPECT_EQ(sdlplat::soundFileReads(), files);
}

// Read ahead at start-up, a sound that is missing or no wave the game can
// play is said once, with its name and the folder it was looked for in;
// playing it later is silent and says nothing more.
TEST_F(SdlSound, AMissingOrBrokenWaveIsSaidOnceAtStartUp) {
    { std::ofstream("a1.wav") << "no sound in here"; }
    testing::internal::CaptureStderr();
    backend::preloadSound("kick.wav");
    backend::preloadSound("a1.wav");
    backend::playSound("kick.wav");
    backend::playSound("a1.wav");
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string folder = std::filesystem::current_path().string();
    ASSERT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    const std::string first = err.substr(0, err.find('\n'));
    const std::string second = err.substr(err.find('\n') + 1);
    EXPECT_NE(first.find("kick.wav"), std::string::npos) << first;
    EXPECT_NE(first.find(folder), std::string::npos) << first;
    EXPECT_NE(second.find("a1.wav"), std::string::npos) << second;
    EXPECT_NE(second.find("no wave file"), std::string::npos) << second;
    EXPECT_FALSE(sdlplat::soundPlaying());

    // A good file read ahead is played from memory.
    writeWave("good.wav");
    testing::internal::CaptureStderr();
    backend::preloadSound("good.wav");
    const int reads = sdlplat::soundFileReads();
    backend::playSound("good.wav");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(sdlplat::soundFileReads(), reads);
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "good.wav");
}

// The sound device removed in play (SDL's event, which no driver here can
// cause, is brought in as SDL would bring it): one line, silence, no harm;
// a device added brings sound back, the files read again.
TEST_F(SdlSound, ALostDeviceIsSilenceUntilOneComesBack) {
    writeWave("kick.wav");
    backend::playSound("kick.wav");
    ASSERT_TRUE(sdlplat::audioAvailable());
    ASSERT_EQ(sdlplat::soundFileReads(), 1);
    SDL_Event e{};
    e.adevice.type = SDL_AUDIODEVICEREMOVED;
    e.adevice.which = 2;
    e.adevice.iscapture = 1;  // a microphone is none of the game's business
    sdlplat::handleEvent(e);
    EXPECT_TRUE(sdlplat::audioAvailable());
    // A device the game did not open went (SDL says 0 for which): the sound
    // plays on.
    e.adevice.iscapture = 0;
    e.adevice.which = 0;
    sdlplat::handleEvent(e);
    EXPECT_TRUE(sdlplat::audioAvailable());
    testing::internal::CaptureStderr();
    e.adevice.which = 2;
    sdlplat::handleEvent(e);
    sdlplat::handleEvent(e);  // said once
    backend::playSound("kick.wav");
    backend::playSound("a1.wav");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sdlplat::audioAvailable());
    EXPECT_FALSE(sdlplat::soundPlaying());
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("sound device was lost"), std::string::npos) << err;
    // Plugged in again.
    e.adevice.type = SDL_AUDIODEVICEADDED;
    e.adevice.which = 0;
    testing::internal::CaptureStderr();
    sdlplat::handleEvent(e);
    backend::playSound("kick.wav");
    const std::string back = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(sdlplat::audioAvailable());
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "kick.wav");
    EXPECT_EQ(sdlplat::soundFileReads(), 2) << "read again for the new device";
    EXPECT_EQ(std::count(back.begin(), back.end(), '\n'), 1) << back;
    // A device added while sound plays changes nothing.
    sdlplat::handleEvent(e);
    EXPECT_STREQ(sdlplat::soundNowPlaying(), "kick.wav");
}

TEST_F(SdlSound, NoAudioDeviceIsSilence) {
    writeWave("kick.wav");
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    backend::playSound("kick.wav");
    backend::playSound("kick.wav");
    const std::string err = testing::internal::GetCapturedStderr();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(sdlplat::audioAvailable());
    EXPECT_FALSE(sdlplat::soundPlaying());
    EXPECT_EQ(sdlplat::soundFileReads(), 0);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "said once: " << err;
}

}  // namespace

int main(int argc, char** argv) {
    // SDL's dummy drivers unless the test's environment says otherwise, and
    // never a real message box popping up on the developer's screen.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The dummy driver has no screen, and the game draws nothing there unless
    // told to: the tests look at what it draws.
    setenv("PAKO_DRAW_OFFSCREEN", "1", 0);
    // The dummy driver gives no window the keyboard focus, and SDL drops the
    // input of controllers while no window of the program has it.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 0);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
