#include "demo/trace.h"

#include <cstring>

#include "game/state.h"

namespace {

// A line buffer large enough for any frame: the state, 25 dragonflies and
// up to MaxDraws draws with numbers of at most 11 characters each.
constexpr size_t LineCapacity = 64 * 1024;
char line[LineCapacity];

struct Appender {
    char* p = line;
    void text(const char* s) {
        const size_t n = std::strlen(s);
        std::memcpy(p, s, n);
        p += n;
    }
    void number(int64_t v) {
        char digits[24];
        int n = 0;
        const bool negative = v < 0;
        uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u);
        if (negative) *p++ = '-';
        while (n) *p++ = digits[--n];
    }
    void real(float v) { p += std::snprintf(p, 32, "%.9g", static_cast<double>(v)); }
    void member(const char* name, int64_t v) {
        *p++ = ',';
        *p++ = '"';
        text(name);
        *p++ = '"';
        *p++ = ':';
        number(v);
    }
    void string(const char* s) {
        *p++ = '"';
        for (; *s; ++s) {
            if (*s == '"' || *s == '\\') *p++ = '\\';
            *p++ = *s;
        }
        *p++ = '"';
    }
};

}  // namespace

void TraceWriter::beginFrame(int64_t step) {
    pending_ = true;
    step_ = step;
    drawCount_ = 0;
    soundCount_ = 0;
}

// A frame makes a few dozen draws and at most a few sounds; what would not
// fit is left out of its line rather than overrun the line buffer.
void TraceWriter::noteDraw(const Sprite& sprite, int32_t x, int32_t y) {
    if (drawCount_ < MaxDraws) draws_[drawCount_++] = Draw{sprite.name, {x, y, 0, 0}, false};
}

void TraceWriter::noteStretched(const Sprite& sprite, const RECT& d) {
    if (drawCount_ < MaxDraws)
        draws_[drawCount_++] = Draw{sprite.name, {d.left, d.top, d.right, d.bottom}, true};
}

void TraceWriter::noteSound(const char* fileName) {
    if (soundCount_ < MaxSounds) sounds_[soundCount_++] = fileName;
}

bool TraceWriter::writeFrame(FILE* out) {
    pending_ = false;
    const GameState& g = game;
    Appender a;
    a.text("{\"frame\":");
    a.number(step_);
    a.member("playerX", g.playerX);
    a.member("shuttleX", g.shuttleX);
    a.member("shuttleY", g.shuttleY);
    a.member("cameraX", g.cameraX);
    a.member("cameraY", g.cameraY);
    a.member("runSpeed", g.runSpeed);
    a.member("power", g.power);
    a.member("kickCount", g.kickCount);
    a.member("drift", g.drift);
    a.member("shuttleFrame", g.shuttleFrame);
    a.member("runFrame", g.runFrame);
    a.member("blink", g.blink);
    a.member("appActive", g.appActive);
    a.member("leftHeld", g.leftHeld);
    a.member("rightHeld", g.rightHeld);
    a.member("enterHeld", g.enterHeld);
    a.member("spaceHeld", g.spaceHeld);
    a.member("spaceReleased", g.spaceReleased);
    a.member("menuChoice", g.menuChoice);
    a.member("titleActive", g.titleActive);
    a.member("rallyActive", g.rallyActive);
    a.member("serveReady", g.serveReady);
    a.member("dropped", g.dropped);
    a.member("kickPending", g.kickPending);
    a.member("kickAnimActive", g.kickAnimActive);
    a.member("zoomGrowing", g.zoomGrowing);
    a.member("shuttleRightOffset", g.shuttleRightOffset);
    a.member("launchSpeed", g.launchSpeed);
    a.member("launchHeight", g.launchHeight);
    a.member("flightTime", g.flightTime);
    a.member("prevHeight", g.prevHeight);
    a.member("countdownFrames", g.countdownFrames);
    a.member("kickAnimFrames", g.kickAnimFrames);
    a.member("zoomInset", g.zoomInset);
    a.member("zoomStage", g.zoomStage);
    a.member("respawnTick", g.respawnTick);
    a.member("cwTurnTimer", g.cwTurnTimer);
    a.member("ccwTurnTimer", g.ccwTurnTimer);
    a.member("wobbleTimer", g.wobbleTimer);
    a.member("wobble", g.wobble);
    a.text(",\"dragonflies\":[");
    for (int i = 0; i < DragonflyCount; ++i) {
        const Dragonfly& d = g.dragonflies[i];
        if (i) *a.p++ = ',';
        *a.p++ = '[';
        a.number(d.x);
        *a.p++ = ',';
        a.number(d.y);
        *a.p++ = ',';
        a.number(d.hitHeight);
        *a.p++ = ',';
        a.number(d.pattern);
        *a.p++ = ',';
        a.number(d.heading);
        *a.p++ = ',';
        a.real(d.fallTime);
        *a.p++ = ',';
        a.number(d.alive);
        *a.p++ = ']';
    }
    a.text("],\"draws\":[");
    for (int i = 0; i < drawCount_; ++i) {
        const Draw& d = draws_[i];
        if (i) *a.p++ = ',';
        *a.p++ = '[';
        a.string(d.name);
        for (int k = 0; k < (d.stretched ? 4 : 2); ++k) {
            *a.p++ = ',';
            a.number(d.v[k]);
        }
        *a.p++ = ']';
    }
    a.text("],\"sounds\":[");
    for (int i = 0; i < soundCount_; ++i) {
        if (i) *a.p++ = ',';
        a.string(sounds_[i]);
    }
    a.text("]}\n");
    const size_t n = static_cast<size_t>(a.p - line);
    return std::fwrite(line, 1, n, out) == n;
}

namespace {

TraceWriter* traced = nullptr;
int64_t (*tracedStep)() = nullptr;

void begin() {
    if (!traced->framePending()) traced->beginFrame(tracedStep());
}
void draw(const Sprite& sprite, int32_t x, int32_t y) {
    begin();
    traced->noteDraw(sprite, x, y);
}
void stretched(const Sprite& sprite, const RECT& dest) {
    begin();
    traced->noteStretched(sprite, dest);
}
void sound(const char* fileName) {
    begin();
    traced->noteSound(fileName);
}
const DrawObserver tracing{draw, stretched};

}  // namespace

void traceGame(TraceWriter* writer, int64_t (*stepOf)()) {
    traced = writer;
    tracedStep = stepOf;
    drawObserver = writer ? &tracing : nullptr;
    setSoundObserver(writer ? sound : nullptr);
}
