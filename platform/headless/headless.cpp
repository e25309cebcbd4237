#include "platform/headless/headless.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/ddraw.h"
#include "platform/resources.h"
#include "platform/win_queue.h"

namespace {

struct ScheduledMessage {
    int64_t step;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Fault {
    backend::Op op;
    int first;
    int last;
    HRESULT code;
};

struct State {
    uint64_t clock = 0;
    uint32_t clockBase = 0;
    uint64_t reads = 0;
    uint64_t idled = 0;
    bool fixedStep = false;
    uint32_t lateWakeMs = 0;
    int jumpAtRead = 0;  // 0: none pending
    uint32_t jumpMs = 0;

    std::vector<ScheduledMessage> schedule;
    size_t scheduleNext = 0;
    bool scheduleSorted = true;
    int64_t nextStep = 0;
    int64_t stepLimit = -1;
    bool closePosted = false;
    bool automaticTimer = true;
    bool timerRunning = false;
    uint64_t nextTick = 0;
    uint32_t timerPeriod = 200;
    void (*pumpHook)() = nullptr;

    std::vector<Fault> faults;
    int calls[static_cast<int>(backend::Op::Count)] = {};

    std::vector<int> answers;
    std::vector<headless::MessageBoxRecord> boxes;
    const char* sounds[headless::SoundCapacity] = {};
    int64_t soundTotal = 0;
    std::vector<std::string> debug;
    std::vector<std::string> preloaded;

    bool windowExists = false;
    bool windowShown = false;
    std::string title;
    int presents = 0;
    bool keepPicture = false;
    SDL_Surface* shown = nullptr;
    uint32_t calendarSeconds = 1;
};

State state;

void sortSchedule() {
    if (state.scheduleSorted) return;
    std::stable_sort(
        state.schedule.begin() + static_cast<std::ptrdiff_t>(state.scheduleNext),
        state.schedule.end(),
        [](const ScheduledMessage& a, const ScheduledMessage& b) { return a.step < b.step; });
    state.scheduleSorted = true;
}

bool tickDueBy(uint64_t time) {
    return state.timerRunning && state.automaticTimer && state.nextTick <= time;
}

// Delivers step s: the due timer ticks, then its scheduled messages.
void deliverStep(int64_t s) {
    const uint64_t start = static_cast<uint64_t>(s) * headless::StepMs;
    while (tickDueBy(start)) {
        winq::postTimerTick();
        state.nextTick += state.timerPeriod;
    }
    sortSchedule();
    while (state.scheduleNext < state.schedule.size() &&
           state.schedule[state.scheduleNext].step <= s) {
        const ScheduledMessage& m = state.schedule[state.scheduleNext++];
        if (m.step == s) winq::postToWindow(m.message, m.wParam, m.lParam);
    }
    state.nextStep = s + 1;
}

void deliverDueSteps() {
    while (static_cast<uint64_t>(state.nextStep) * headless::StepMs <= state.clock) {
        if (state.stepLimit >= 0 && state.nextStep >= state.stepLimit) {
            if (!state.closePosted) {
                state.closePosted = true;
                winq::postToWindow(WM_CLOSE, 0, 0);
            }
            return;
        }
        deliverStep(state.nextStep);
    }
}

// The first step from nextStep on that has something to deliver, or -1.
int64_t nextBusyStep() {
    sortSchedule();
    int64_t best = -1;
    auto consider = [&best](int64_t s) {
        if (best < 0 || s < best) best = s;
    };
    if (state.scheduleNext < state.schedule.size())
        consider(std::max(state.nextStep, state.schedule[state.scheduleNext].step));
    if (state.timerRunning && state.automaticTimer) {
        const int64_t s =
            static_cast<int64_t>((state.nextTick + headless::StepMs - 1) / headless::StepMs);
        consider(std::max(state.nextStep, s));
    }
    if (state.stepLimit >= 0 && !state.closePosted)
        consider(std::max(state.nextStep, state.stepLimit));
    return best;
}

}  // namespace

namespace backend {

HRESULT fault(Op op) {
    const int n = ++state.calls[static_cast<int>(op)];
    for (const Fault& f : state.faults)
        if (f.op == op && n >= f.first && n <= f.last) return f.code;
    return 0;
}

bool createWindow(const char* title, int, int, const char*) {
    state.windowExists = true;
    state.title = title;
    return true;
}

void showWindow() { state.windowShown = true; }

void destroyWindow() {
    state.windowExists = false;
    state.windowShown = false;
}

// The simulated desktop is the game's own size.
constexpr int DesktopWidth = 640, DesktopHeight = 480;
int screenWidth() { return DesktopWidth; }
int screenHeight() { return DesktopHeight; }

void pollEvents() {
    if (state.pumpHook) state.pumpHook();
    deliverDueSteps();
}

void waitEvents() {
    pollEvents();
    if (winq::messageWaiting()) return;
    const int64_t s = nextBusyStep();
    if (s < 0) return;  // nothing will ever come; let the caller see an empty queue
    state.clock = std::max(state.clock, static_cast<uint64_t>(s) * headless::StepMs);
    deliverDueSteps();
}

uint32_t ticks() {
    ++state.reads;
    if (state.jumpAtRead > 0 && --state.jumpAtRead == 0) state.clock += state.jumpMs;
    return static_cast<uint32_t>(state.clock) + state.clockBase;
}

uint32_t calendarSeconds() { return state.calendarSeconds; }

// The clock moves on to `tick`, unless a message waits already (the
// caller has just polled); the messages of the steps it passes are
// delivered, for the pump's next look.
void waitEventsUntil(uint32_t tick) {
    if (winq::messageWaiting()) return;
    const uint32_t now = static_cast<uint32_t>(state.clock) + state.clockBase;
    const auto left = static_cast<int32_t>(tick - now);
    if (left <= 0) return;
    const uint64_t waited = static_cast<uint64_t>(left) + state.lateWakeMs;
    state.clock += waited;
    state.idled += waited;
    deliverDueSteps();
}

// The simulator paces its frames as the desktop does, unless a test asks
// for a page's pacing.
bool framesKeepAFixedStep() { return state.fixedStep; }

bool startTimer(uint32_t periodMs) {
    state.timerRunning = true;
    state.timerPeriod = periodMs ? periodMs : 1;
    state.nextTick = state.clock + state.timerPeriod;
    return true;
}

int messageBox(const char* text, const char* caption, uint32_t type) {
    state.boxes.push_back({text, caption, type});
    if (!state.answers.empty()) {
        const int answer = state.answers.front();
        state.answers.erase(state.answers.begin());
        return answer;
    }
    return (type & 0xF) == MB_RETRYCANCEL ? IDCANCEL : IDOK;
}

void playSound(const char* fileName) {
    state.sounds[state.soundTotal % headless::SoundCapacity] = fileName;
    ++state.soundTotal;
}

void debugOutput(const char* text) { state.debug.emplace_back(text); }

void preloadSound(const char* fileName) { state.preloaded.emplace_back(fileName); }

HRESULT displayCreate() { return 0; }
HRESULT displaySetCooperativeLevel(uint32_t) { return 0; }
HRESULT displaySetMode(int, int, int) { return 0; }
HRESULT displayCreatePrimary() { return 0; }

HRESULT displayPresent(SDL_Surface* backBuffer) {
    ++state.presents;
    if (state.keepPicture && backBuffer) {
        if (!state.shown)
            state.shown = SDL_CreateRGBSurfaceWithFormat(0, backBuffer->w, backBuffer->h, 16,
                                                         SDL_PIXELFORMAT_RGB565);
        if (state.shown) SDL_BlitSurface(backBuffer, nullptr, state.shown, nullptr);
    }
    return 0;
}

void displayRelease() {}

}  // namespace backend

namespace headless {

void reset() {
    winq::reset();
    ddraw::reset();
    setResourcesEnabled(true);
    if (state.shown) SDL_FreeSurface(state.shown);
    state = State{};
}

void setClock(uint64_t ms) { state.clock = ms; }
uint64_t clock() { return state.clock; }
void setClockBase(uint32_t base) { state.clockBase = base; }
void jumpClockOnRead(int nthRead, uint32_t ms) {
    state.jumpAtRead = nthRead;
    state.jumpMs = ms;
}
uint64_t clockReads() { return state.reads; }
uint64_t idledMs() { return state.idled; }
void paceAsAPage(bool fixedStep, uint32_t lateMs) {
    state.fixedStep = fixedStep;
    state.lateWakeMs = lateMs;
}

void scheduleMessage(int64_t step, UINT message, WPARAM wParam, LPARAM lParam) {
    state.schedule.push_back({step, message, wParam, lParam});
    state.scheduleSorted = false;
}
void setStepLimit(int64_t steps) { state.stepLimit = steps; }
void setAutomaticTimer(bool enabled) { state.automaticTimer = enabled; }
int64_t currentStep() { return state.nextStep - 1; }
void setPumpHook(void (*hook)()) { state.pumpHook = hook; }

void injectFault(backend::Op op, int nth, HRESULT code, int times) {
    state.faults.push_back({op, nth, nth + times - 1, code});
}
int callCount(backend::Op op) { return state.calls[static_cast<int>(op)]; }
void loseAllSurfaces() { ddraw::loseAllSurfaces(); }

void answerNextMessageBox(int answer) { state.answers.push_back(answer); }
const std::vector<MessageBoxRecord>& messageBoxes() { return state.boxes; }

int64_t soundCount() { return state.soundTotal; }
const char* sound(int64_t index) {
    if (index < 0 || index >= state.soundTotal || state.soundTotal - index > SoundCapacity)
        return nullptr;
    return state.sounds[index % SoundCapacity];
}
const std::vector<std::string>& debugStrings() { return state.debug; }
const std::vector<std::string>& preloadedSounds() { return state.preloaded; }

bool windowExists() { return state.windowExists; }
bool windowShown() { return state.windowShown; }
std::string windowTitle() { return state.title; }
int presentCount() { return state.presents; }
void keepShownPicture(bool enabled) { state.keepPicture = enabled; }
SDL_Surface* shownPicture() { return state.shown; }

void setCalendarSeconds(uint32_t seconds) { state.calendarSeconds = seconds; }

}  // namespace headless
