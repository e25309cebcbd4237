// A whole game played with game controllers alone, on the real SDL platform
// (SDL's dummy video driver, SDL's virtual controllers): the key presses of
// the golden rally's script, made in the same steps with Start, A, the
// d-pad and the left stick of two controllers, give the game pako-sim
// traced for that script, frame for frame: the same kicks in the same
// frames, the same runs, the same menu choices. Along the way a controller
// is pulled out while it holds Right, another while it holds A (which lets
// go, as releasing would), and both are plugged in again; one was plugged
// in before the game started, the other after. Back ends the game.
//
// The presses are made at the game's own looks at its queue (the pump's
// watcher), so the test keeps step with the game however busy the machine.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "game/state.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"
#include "platform/win_queue.h"
#include "shell/app.h"

namespace {

// One controller of the test: the virtual device and the test's own handle
// on it, through which its buttons and axes are set.
struct Pad {
    SDL_Joystick* stick = nullptr;
    SDL_JoystickID id = -1;
};

bool plugIn(Pad& pad, const char* name) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return false;
    pad.stick = SDL_JoystickOpen(index);
    pad.id = pad.stick ? SDL_JoystickInstanceID(pad.stick) : -1;
    return pad.stick != nullptr;
}

void pullOut(Pad& pad) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == pad.id) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    SDL_JoystickClose(pad.stick);
    pad = Pad{};
}

// What a step of the script does with the controllers.
struct Action {
    enum Kind { Button, Axis, PullOut, PlugIn } kind;
    int pad;  // 0 or 1
    int which;
    int value;
};

// The script's keys as the controllers' inputs. Running uses the d-pad and
// the stick both ways: Right is the d-pad in the first rally and the stick
// in the second; Left the stick, then the d-pad.
std::multimap<int64_t, Action> schedule(const std::string& scriptPath, std::string& error) {
    std::multimap<int64_t, Action> out;
    std::ifstream in(scriptPath);
    if (!in) {
        error = "cannot read " + scriptPath;
        return out;
    }
    int lefts = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        int64_t step = 0;
        std::string verb, key;
        words >> step >> verb >> key;
        const bool down = verb == "keydown";
        const int button = down ? 1 : 0;
        const int push = down ? 32767 : 0;
        if (key == "enter") {
            out.insert({step, {Action::Button, 0, SDL_CONTROLLER_BUTTON_START, button}});
        } else if (key == "space") {
            out.insert({step, {Action::Button, 0, SDL_CONTROLLER_BUTTON_A, button}});
        } else if (key == "right") {
            if (step < 1000)
                out.insert({step, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, button}});
            else
                out.insert({step, {Action::Axis, 1, SDL_CONTROLLER_AXIS_LEFTX, push}});
        } else if (key == "left") {
            if (down) ++lefts;
            if (lefts == 1)
                out.insert({step, {Action::Axis, 1, SDL_CONTROLLER_AXIS_LEFTX, -push}});
            else
                out.insert({step, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_LEFT, button}});
        } else if (key == "down") {
            out.insert({step, {Action::Axis, 1, SDL_CONTROLLER_AXIS_LEFTY, push}});
        } else {
            error = "a key the test has no input for: " + line;
        }
    }
    return out;
}

// The numbers of one trace line, by name (the trace is flat JSON).
long field(const std::string& line, const char* name) {
    const std::string key = std::string("\"") + name + "\":";
    const size_t at = line.find(key);
    return at == std::string::npos ? -999999
                                   : std::strtol(line.c_str() + at + key.size(), nullptr, 10);
}

// The state members the timer's ticks do not touch: a real game's ticks
// come from the clock, pako-sim's from its simulated one.
const char* const compared[] = {
    "playerX",        "shuttleX",    "shuttleY",    "cameraX",         "cameraY",    "power",
    "kickCount",      "drift",       "leftHeld",    "rightHeld",       "enterHeld",  "spaceHeld",
    "spaceReleased",  "menuChoice",  "titleActive", "rallyActive",     "serveReady", "dropped",
    "kickAnimActive", "launchSpeed", "flightTime",  "countdownFrames", "respawnTick"};

std::map<std::string, long> snapshot() {
    const GameState& g = game;
    return {{"playerX", g.playerX},
            {"shuttleX", g.shuttleX},
            {"shuttleY", g.shuttleY},
            {"cameraX", g.cameraX},
            {"cameraY", g.cameraY},
            {"power", g.power},
            {"kickCount", g.kickCount},
            {"drift", g.drift},
            {"leftHeld", g.leftHeld},
            {"rightHeld", g.rightHeld},
            {"enterHeld", g.enterHeld},
            {"spaceHeld", g.spaceHeld},
            {"spaceReleased", g.spaceReleased},
            {"menuChoice", g.menuChoice},
            {"titleActive", g.titleActive},
            {"rallyActive", g.rallyActive},
            {"serveReady", g.serveReady},
            {"dropped", g.dropped},
            {"kickAnimActive", g.kickAnimActive},
            {"launchSpeed", g.launchSpeed},
            {"flightTime", g.flightTime},
            {"countdownFrames", g.countdownFrames},
            {"respawnTick", g.respawnTick}};
}

// The run, followed from the pump's watcher.
Pad pads[2];
std::multimap<int64_t, Action> plan;
std::map<int64_t, std::map<std::string, long>> frames;  // by the step they ran in
int64_t lastLookedStep = -1;
std::string trouble;

void act(const Action& a) {
    Pad& pad = pads[a.pad];
    switch (a.kind) {
        case Action::Button:
            if (SDL_JoystickSetVirtualButton(pad.stick, a.which, static_cast<Uint8>(a.value)) != 0)
                trouble += std::string("button: ") + SDL_GetError() + "\n";
            break;
        case Action::Axis:
            if (SDL_JoystickSetVirtualAxis(pad.stick, a.which, static_cast<Sint16>(a.value)) != 0)
                trouble += std::string("axis: ") + SDL_GetError() + "\n";
            break;
        case Action::PullOut: pullOut(pad); break;
        case Action::PlugIn:
            if (!plugIn(pad, a.pad == 0 ? "First pad" : "Second pad"))
                trouble += std::string("plug in: ") + SDL_GetError() + "\n";
            break;
    }
}

// At the first look of a step, the frame of the step before has run: its
// state is kept; then the step's presses are made, and the pump's poll that
// follows brings them in, before the step's frame.
void lookingAtQueue() {
    const int64_t step = pumpStep();
    if (step == lastLookedStep) return;
    if (step > 0) frames[step - 1] = snapshot();
    lastLookedStep = step;
    const auto [from, to] = plan.equal_range(step);
    for (auto it = from; it != to; ++it) act(it->second);
}

const PumpWatcher watcher{lookingAtQueue, nullptr, nullptr};

TEST(ControllerGame, TwoControllersPlayTheGoldenRally) {
    std::string error;
    plan = schedule(PAKO_RALLY_SCRIPT, error);
    ASSERT_TRUE(error.empty()) << error;
    // Pulled out while holding Right (instead of letting go) and while
    // holding A (the swing of a kick), plugged in again a little later.
    const auto replace = [](int64_t step, const Action& instead) {
        const auto [from, to] = plan.equal_range(step);
        ASSERT_EQ(std::distance(from, to), 1) << step;
        from->second = instead;
    };
    replace(108, {Action::PullOut, 1, 0, 0});
    plan.insert({150, {Action::PlugIn, 1, 0, 0}});
    replace(210, {Action::PullOut, 0, 0, 0});
    plan.insert({230, {Action::PlugIn, 0, 0, 0}});
    // Back on the title: the d-pad moves the pointer down and up; then Back.
    plan.insert({1880, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1}});
    plan.insert({1884, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0}});
    plan.insert({1890, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_UP, 1}});
    plan.insert({1894, {Action::Button, 1, SDL_CONTROLLER_BUTTON_DPAD_UP, 0}});
    plan.insert({1900, {Action::Button, 0, SDL_CONTROLLER_BUTTON_BACK, 1}});
    // The first pad is there before the game starts, the second comes on
    // the title.
    plan.insert({40, {Action::PlugIn, 1, 0, 0}});

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    ASSERT_TRUE(plugIn(pads[0], "First pad")) << SDL_GetError();
    sdlplat::setSeed(1);
    setPumpWatcher(&watcher);
    const int code = appMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
    setPumpWatcher(nullptr);
    for (Pad& pad : pads)
        if (pad.stick) pullOut(pad);
    sdlplat::shutdown();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(trouble.empty()) << trouble;

    // Every frame up to the title again, against pako-sim's golden trace.
    FILE* golden = popen("gzip -dc '" PAKO_GOLDEN_TRACE "'", "r");
    ASSERT_NE(golden, nullptr);
    std::string line;
    int64_t frame = 0, differing = 0, kicks = 0;
    char buf[65536];
    while (frame <= 1870 && std::fgets(buf, sizeof buf, golden)) {
        line = buf;
        if (line.empty() || line.back() != '\n') continue;  // the rest of a long line
        ASSERT_EQ(field(line, "frame"), frame);
        ASSERT_TRUE(frames.count(frame)) << "frame " << frame << " did not run";
        const auto& real = frames[frame];
        for (const char* name : compared)
            if (real.at(name) != field(line, name) && differing++ < 10)
                ADD_FAILURE() << "frame " << frame << ": " << name << " is " << real.at(name)
                              << ", pako-sim's " << field(line, name);
        if (frame > 0 && field(line, "kickCount") > frames[frame - 1].at("kickCount")) ++kicks;
        ++frame;
    }
    pclose(golden);
    EXPECT_EQ(frame, 1871);
    EXPECT_EQ(kicks, 10) << "kicks in the compared frames";
    // The pointer, down and up again on the title; Back ended the game
    // before another frame ran.
    EXPECT_EQ(frames.at(1880).at("menuChoice"), 0);
    EXPECT_EQ(frames.at(1890).at("menuChoice"), 1);
    EXPECT_TRUE(frames.count(1899));
    EXPECT_FALSE(frames.count(1900));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("PAKO_DRAW_OFFSCREEN");
    // The dummy driver gives no window the keyboard focus, and SDL drops the
    // input of controllers while no window of the program has it.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
