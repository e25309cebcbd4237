// Windows, messages and the small system services, kept once above the two
// back ends: one window class, one window, one thread message queue.
#include <cstring>

#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/win_queue.h"

struct WindowRecord {
    WNDPROC proc;
    bool alive;
    bool shown;
};
struct ModuleRecord {
    int unused;
};
struct IconRecord {
    const char* resource;
};
struct CursorRecord {
    int unused;
};
struct GdiObject;

namespace {

constexpr int QueueCapacity = 512;

struct QueuedMessage {
    MSG msg;
    MessageOrigin origin;  // the timer's ticks, what the platform brings, the game's own
};

struct Queue {
    QueuedMessage items[QueueCapacity];
    int head = 0;
    int count = 0;
    int autoTicksWaiting = 0;
};

Queue queue;
WNDCLASSA windowClass;
bool classRegistered = false;
WindowRecord theWindow;
ModuleRecord theModule;
IconRecord theIcon;
CursorRecord arrowCursor;
HCURSOR currentCursor = nullptr;
SoundObserver soundObserver = nullptr;

bool push(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, MessageOrigin origin) {
    if (queue.count == QueueCapacity) return false;
    QueuedMessage& q = queue.items[(queue.head + queue.count) % QueueCapacity];
    q.msg = MSG{hwnd, message, wParam, lParam, 0};
    q.origin = origin;
    ++queue.count;
    if (origin == MessageOrigin::Timer) ++queue.autoTicksWaiting;
    return true;
}

MessageOrigin lastOrigin = MessageOrigin::Game;

// The pump's passes counted as the simulator counts its steps: a frame ran
// when a look at the queue found it empty and neither a sleep nor the wait
// for the frame followed (the pump's only other ways on); and while the
// game is inactive, the messages it took before it went to sleep make a
// step of their own.
struct PumpSteps {
    int64_t step = 0;
    bool lookedEmpty = false;
    bool takenThisStep = false;
};
PumpSteps steps;
const PumpWatcher* watcher = nullptr;

MSG pop() {
    QueuedMessage& q = queue.items[queue.head];
    queue.head = (queue.head + 1) % QueueCapacity;
    --queue.count;
    if (q.origin == MessageOrigin::Timer) --queue.autoTicksWaiting;
    lastOrigin = q.origin;
    return q.msg;
}

bool windowAlive(HWND hwnd) { return hwnd == &theWindow && theWindow.alive; }

}  // namespace

namespace winq {

void postToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    if (theWindow.alive) push(&theWindow, message, wParam, lParam, MessageOrigin::Outside);
}

void postTimerTick() {
    if (theWindow.alive && queue.autoTicksWaiting == 0)
        push(&theWindow, WM_TIMER, 1, 0, MessageOrigin::Timer);
}

void sendToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    if (theWindow.alive && theWindow.proc) theWindow.proc(&theWindow, message, wParam, lParam);
}

bool messageWaiting() { return queue.count > 0; }

HWND window() { return theWindow.alive ? &theWindow : nullptr; }

void reset() {
    queue.head = 0;
    queue.count = 0;
    queue.autoTicksWaiting = 0;
    steps = PumpSteps{};
    watcher = nullptr;
    windowClass = WNDCLASSA{};
    classRegistered = false;
    theWindow = WindowRecord{};
    currentCursor = nullptr;
    soundObserver = nullptr;
}

}  // namespace winq

int RegisterClassA(const WNDCLASSA* cls) {
    if (!cls || !cls->lpfnWndProc || !cls->lpszClassName) return 0;
    windowClass = *cls;
    classRegistered = true;
    return 1;
}

HICON LoadIconA(HINSTANCE instance, const char* name) {
    if (!instance || !name || !findResource(name)) return nullptr;
    theIcon.resource = name;
    return &theIcon;
}

HCURSOR LoadCursorA(HINSTANCE, const char*) { return &arrowCursor; }

HGDIOBJ GetStockObject(int) {
    // Only the black brush is ever asked for; the window is black anyway
    // until the first frame is shown.
    static char blackBrush;
    return reinterpret_cast<HGDIOBJ>(&blackBrush);
}

int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN) return backend::screenWidth();
    if (index == SM_CYSCREEN) return backend::screenHeight();
    return 0;
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD, int, int, int width,
                     int height, HWND, HMENU, HINSTANCE, void*) {
    if (!classRegistered || !className || std::strcmp(className, windowClass.lpszClassName) != 0)
        return nullptr;
    if (backend::fault(backend::Op::CreateWindow) != 0) return nullptr;
    const char* icon = windowClass.hIcon ? windowClass.hIcon->resource : nullptr;
    if (!backend::createWindow(title ? title : "", width, height, icon)) return nullptr;
    theWindow = WindowRecord{windowClass.lpfnWndProc, true, false};
    return &theWindow;
}

BOOL ShowWindow(HWND hwnd, int) {
    if (!windowAlive(hwnd)) return 0;
    const bool wasShown = hwnd->shown;
    backend::showWindow();
    hwnd->shown = true;
    // Showing the top-most window makes the application active, and the
    // activation reaches the window procedure at once.
    if (!wasShown) winq::sendToWindow(WM_ACTIVATEAPP, 1, 0);
    return wasShown ? 1 : 0;
}

BOOL UpdateWindow(HWND hwnd) { return windowAlive(hwnd) ? 1 : 0; }

HWND SetFocus(HWND hwnd) { return windowAlive(hwnd) ? hwnd : nullptr; }

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT periodMs, void*) {
    if (!windowAlive(hwnd)) return 0;
    if (backend::fault(backend::Op::SetTimer) != 0) return 0;
    if (!backend::startTimer(periodMs)) return 0;
    return id ? id : 1;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
    return backend::messageBox(text ? text : "", caption ? caption : "", type);
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT) {
    if (steps.lookedEmpty) {
        ++steps.step;
        steps.takenThisStep = false;
    }
    steps.lookedEmpty = false;
    if (watcher && watcher->lookingAtQueue) watcher->lookingAtQueue();
    backend::pollEvents();
    if (queue.count == 0) {
        steps.lookedEmpty = true;
        return 0;
    }
    if (msg) *msg = queue.items[queue.head].msg;
    return 1;
}

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) {
    backend::pollEvents();
    while (queue.count == 0) backend::waitEvents();
    MSG m = pop();
    if (msg) *msg = m;
    if (m.message == WM_QUIT) return 0;
    steps.takenThisStep = true;
    if (watcher && watcher->messageTaken) watcher->messageTaken(m, lastOrigin);
    return 1;
}

// Character messages are never read by the game, so none are made.
BOOL TranslateMessage(const MSG*) { return 0; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !windowAlive(msg->hwnd) || !theWindow.proc) return 0;
    return theWindow.proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage() {
    steps.lookedEmpty = false;
    if (steps.takenThisStep) {
        ++steps.step;
        steps.takenThisStep = false;
    }
    if (watcher && watcher->aboutToSleep) watcher->aboutToSleep();
    backend::pollEvents();
    if (queue.count == 0) backend::waitEvents();
    return 1;
}

void waitMessageUntil(DWORD tick) {
    // The empty look led to this wait, not to a frame: the step goes on.
    steps.lookedEmpty = false;
    backend::pollEvents();
    if (queue.count == 0) backend::waitEventsUntil(tick);
}

void setPumpWatcher(const PumpWatcher* w) { watcher = w; }

int64_t pumpStep() { return steps.step; }

void setPumpStep(int64_t step) {
    if (step > steps.step) {
        steps.step = step;
        steps.takenThisStep = false;
    }
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = currentCursor;
    currentCursor = cursor;
    return previous;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!windowAlive(hwnd)) return 0;
    return push(hwnd, message, wParam, lParam, MessageOrigin::Game) ? 1 : 0;
}

void PostQuitMessage(int exitCode) {
    push(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, MessageOrigin::Game);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(hwnd);
    return 0;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!windowAlive(hwnd)) return 0;
    // The procedure hears of the destruction while the window still exists,
    // so whatever it releases goes before the platform window itself.
    winq::sendToWindow(WM_DESTROY, 0, 0);
    backend::destroyWindow();
    theWindow.alive = false;
    theWindow.shown = false;
    return 1;
}

DWORD timeGetTime() { return backend::ticks(); }

BOOL PlaySoundA(const char* sound, HMODULE, DWORD) {
    if (!sound) return 1;
    if (soundObserver) soundObserver(sound);
    backend::playSound(sound);
    return 1;
}

void setSoundObserver(SoundObserver observer) { soundObserver = observer; }

void preloadSound(const char* fileName) {
    if (fileName) backend::preloadSound(fileName);
}

HMODULE GetModuleHandleA(const char* moduleName) { return moduleName ? nullptr : &theModule; }

void OutputDebugStringA(const char* text) {
    if (text) backend::debugOutput(text);
}
