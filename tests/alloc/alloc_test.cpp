// No heap allocation while the game plays: every allocation of the process
// is counted (operator new and the C allocator both), and a thousand frames
// and more of each phase of the game, played through the real pump on the
// simulated platform, must allocate nothing once the game is running.
//
// A player driven from the pump's hook plays: it waits on the title, starts,
// runs and charges kicks during the rally, waits on the continue screen and
// answers yes, again and again.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "display/display.h"
#include "display/sprite.h"
#include "game/state.h"
#include "harness/process.h"
#include "platform/headless/headless.h"
#include "shell/app.h"

// --- The counter -----------------------------------------------------------

namespace {
std::atomic<long> allocations{0};
}
void* volatile seenFromOutside = nullptr;

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);
extern "C" void __libc_free(void*);

extern "C" void* malloc(size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
extern "C" void* memalign(size_t align, size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(align, n);
}
extern "C" void* aligned_alloc(size_t align, size_t n) { return memalign(align, n); }
extern "C" int posix_memalign(void** out, size_t align, size_t n) {
    void* p = memalign(align, n);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
extern "C" void free(void* p) { __libc_free(p); }

// operator new goes through malloc above; the replacements make sure of it
// whatever the C++ library does by itself.
void* operator new(size_t n) {
    if (void* p = malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

// --- The player ------------------------------------------------------------

namespace {

enum Phase { Title, Countdown, Play, Continue, PhaseCount };
const char* const phaseName[PhaseCount] = {"title", "countdown", "play", "continue"};

Phase phaseNow() {
    if (game.titleActive != 0) return Title;
    if (game.dropped != 0) return Continue;
    if (game.serveReady == 0) return Countdown;
    return Play;
}

constexpr int64_t WarmUpSteps = 3;
constexpr int64_t FramesWanted = 1000;

struct Tally {
    int64_t frames[PhaseCount] = {};
    long allocations[PhaseCount] = {};
    long lastCount = 0;
    int64_t lastStep = -1;
    int64_t inPhase = 0;  // steps since the phase began
    Phase phase = Title;
    int64_t enterUpAt = -1;  // Enter is let go three steps after it went down
};
Tally tally;

void post(UINT message, WPARAM key) { PostMessageA(mainWindow, message, key, 0); }

void enter(int64_t step) {
    post(WM_KEYDOWN, VK_RETURN);
    tally.enterUpAt = step + 3;
}

bool enough() {
    for (int64_t f : tally.frames)
        if (f < FramesWanted) return false;
    return true;
}

// Before every look at the queue: the allocations since the last look go to
// the phase the game was in, then the player acts on what it sees.
void hook() {
    const int64_t step = headless::currentStep();
    if (step == tally.lastStep) return;
    tally.lastStep = step;
    const long now = allocations.load(std::memory_order_relaxed);
    if (step > WarmUpSteps) {
        tally.allocations[tally.phase] += now - tally.lastCount;
        ++tally.frames[tally.phase];
    }
    tally.lastCount = now;

    const Phase p = phaseNow();
    tally.inPhase = p == tally.phase ? tally.inPhase + 1 : 0;
    tally.phase = p;
    const int64_t t = tally.inPhase;
    if (step == tally.enterUpAt) post(WM_KEYUP, VK_RETURN);
    if (enough()) {
        if (t == 0 || p != Title) post(WM_KEYDOWN, VK_ESCAPE);
        return;
    }
    switch (p) {
        case Title:
            // Waits a thousand frames on the title, then Enter on START.
            if (t == FramesWanted + 10) enter(step);
            break;
        case Countdown: break;
        case Play:
            // Runs to and fro and charges a kick now and then.
            if (t % 40 == 0) post(WM_KEYDOWN, (t / 40) % 2 ? VK_LEFT : VK_RIGHT);
            if (t % 40 == 20) post(WM_KEYUP, (t / 40) % 2 ? VK_LEFT : VK_RIGHT);
            if (t % 30 == 5) post(WM_KEYDOWN, VK_SPACE);
            if (t % 30 == 17) post(WM_KEYUP, VK_SPACE);
            break;
        case Continue:
            // A while on the question, then yes.
            if (t == 120) enter(step);
            break;
        default: break;
    }
}

TEST(Allocation, NoFrameOfAnyPhaseAllocates) {
    freshProcess();
    drawObserver = nullptr;  // the tests' draw log keeps a list; the game does not
    tally = Tally{};
    headless::setStepLimit(200000);  // a bound, should the player get stuck
    headless::setPumpHook(hook);
    char commandLine[] = "";
    const int code = appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    headless::setPumpHook(nullptr);
    EXPECT_EQ(code, 0);
    for (int p = 0; p < PhaseCount; ++p) {
        EXPECT_GE(tally.frames[p], FramesWanted) << phaseName[p];
        EXPECT_EQ(tally.allocations[p], 0)
            << "allocations in " << tally.frames[p] << " frames of " << phaseName[p];
    }
}

// The counter sees what it should: a test that cannot fail proves nothing.
TEST(Allocation, TheCounterSeesNewAndMalloc) {
    const long before = allocations.load();
    // Seen from outside, so that no compiler may leave the pair out.
    int* p = new int(3);
    seenFromOutside = p;
    void* q = std::malloc(10);
    seenFromOutside = q;
    EXPECT_EQ(allocations.load() - before, 2);
    delete p;
    std::free(q);
}

}  // namespace
