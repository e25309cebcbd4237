#include "harness/invariants.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

struct Rule {
    const char* name;
    int64_t value;
    int64_t low;
    int64_t high;
};

bool check(const Rule* rules, size_t n, std::string& why) {
    for (size_t i = 0; i < n; ++i) {
        const Rule& r = rules[i];
        if (r.value < r.low || r.value > r.high) {
            why = std::string(r.name) + " = " + std::to_string(r.value) + ", outside " +
                  std::to_string(r.low) + ".." + std::to_string(r.high);
            return false;
        }
    }
    return true;
}

constexpr int64_t P = PositionLimit;

}  // namespace

bool stateInRange(const GameState& g, std::string& why) {
    const Rule rules[] = {
        {"playerX", g.playerX, -P, P},
        {"shuttleX", g.shuttleX, -P, P},
        {"shuttleY", g.shuttleY, -P, P},
        // The camera shows a 640 x 480 part of the 1280 x 960 world.
        {"cameraX", g.cameraX, 0, 640},
        {"cameraY", g.cameraY, 0, 480},
        {"runSpeed", g.runSpeed, 4, 4},
        {"power", g.power, 0, 100},
        {"kickCount", g.kickCount, 0, 99},
        {"drift", g.drift, -1, 1},
        {"shuttleFrame", g.shuttleFrame, 0, 3},
        {"runFrame", g.runFrame, 0, 3},
        {"blink", g.blink, 0, 1},
        {"appActive", g.appActive, 0, 1},
        {"leftHeld", g.leftHeld, 0, 1},
        {"rightHeld", g.rightHeld, 0, 1},
        {"enterHeld", g.enterHeld, 0, 1},
        {"spaceHeld", g.spaceHeld, 0, 1},
        {"spaceReleased", g.spaceReleased, 0, 1},
        {"menuChoice", g.menuChoice, 0, 1},
        {"titleActive", g.titleActive, 0, 1},
        {"rallyActive", g.rallyActive, 0, 1},
        {"serveReady", g.serveReady, 0, 1},
        {"dropped", g.dropped, 0, 1},
        {"kickPending", g.kickPending, 0, 1},
        {"kickAnimActive", g.kickAnimActive, 0, 1},
        {"zoomGrowing", g.zoomGrowing, 0, 1},
        {"shuttleRightOffset", g.shuttleRightOffset, -P, P},
        {"launchSpeed", g.launchSpeed, 10, 110},
        {"launchHeight", g.launchHeight, 120, 120},
        {"flightTime", g.flightTime, 0, MaxFlightTime},
        {"prevHeight", g.prevHeight, -P, P},
        // The serve clears serveReady once, so the countdown counts one more.
        {"countdownFrames", g.countdownFrames, 0, 102},
        {"kickAnimFrames", g.kickAnimFrames, 0, 11},
        // The logo swings in by at most 7 past a limit of at most 70 in one
        // bounce. But a bounce starts from the inset the title was left
        // with (START keeps it; the continue screen's "no" clears only the
        // direction), so each return to the title can carry it up to 7
        // further before it swings back. Reaching 104, where the logo's
        // rectangle turns empty and it is not drawn, takes a START on the
        // bounce's peak frame four times running; the bound is far beyond.
        {"zoomInset", g.zoomInset, -7, 100000},
        {"zoomStage", g.zoomStage, 0, 5},
        {"respawnTick", g.respawnTick, 0, CounterWrap - 1},
        {"cwTurnTimer", g.cwTurnTimer, 0, CounterWrap - 1},
        {"ccwTurnTimer", g.ccwTurnTimer, 0, CounterWrap - 1},
        {"wobbleTimer", g.wobbleTimer, 0, CounterWrap - 1},
        {"wobble", g.wobble, -1, 1},
    };
    if (!check(rules, sizeof rules / sizeof rules[0], why)) return false;
    if (g.wobble == 0) {
        why = "wobble = 0";
        return false;
    }
    for (int i = 0; i < DragonflyCount; ++i) {
        const Dragonfly& d = g.dragonflies[i];
        const Rule fly[] = {
            {"dragonfly x", d.x, -P, P},
            {"dragonfly y", d.y, -P, P},
            {"dragonfly hitHeight", d.hitHeight, -P - 960, P + 960},
            {"dragonfly pattern", d.pattern, 0, 4},
            {"dragonfly heading", d.heading, 0, 4},
            {"dragonfly alive", d.alive, 0, 1},
        };
        if (!check(fly, sizeof fly / sizeof fly[0], why)) {
            why = "dragonfly " + std::to_string(i) + ": " + why;
            return false;
        }
        if (!std::isfinite(d.fallTime) || d.fallTime < 0.0f) {
            why = "dragonfly " + std::to_string(i) + ": fallTime not a count of steps";
            return false;
        }
    }
    return true;
}

// A small reader of exactly the JSON the trace uses: objects, arrays,
// strings without escapes other than \" and \\, and numbers.
namespace {

struct Reader {
    const char* p;
    const char* end;
    std::string why;

    bool fail(const std::string& what) {
        if (why.empty()) why = what;
        return false;
    }
    bool peek(char c) const { return p < end && *p == c; }
    bool take(char c) {
        if (!peek(c)) return fail(std::string("expected '") + c + "'");
        ++p;
        return true;
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        out.clear();
        while (p < end && *p != '"') {
            if (*p == '\\') {
                if (++p == end || (*p != '"' && *p != '\\')) return fail("bad escape");
            } else if (static_cast<unsigned char>(*p) < 0x20) {
                return fail("control character in a string");
            }
            out += *p++;
        }
        return take('"');
    }
    // A number; `integer` when it has no fraction or exponent.
    bool number(double& value, bool& integer) {
        const char* start = p;
        if (peek('-')) ++p;
        if (p == end || *p < '0' || *p > '9') return fail("expected a number");
        if (*p == '0' && p + 1 < end && p[1] >= '0' && p[1] <= '9') return fail("leading zero");
        while (p < end && *p >= '0' && *p <= '9') ++p;
        integer = true;
        if (peek('.')) {
            integer = false;
            ++p;
            if (p == end || *p < '0' || *p > '9') return fail("bad fraction");
            while (p < end && *p >= '0' && *p <= '9') ++p;
        }
        if (peek('e') || peek('E')) {
            integer = false;
            ++p;
            if (peek('+') || peek('-')) ++p;
            if (p == end || *p < '0' || *p > '9') return fail("bad exponent");
            while (p < end && *p >= '0' && *p <= '9') ++p;
        }
        value = std::strtod(std::string(start, p).c_str(), nullptr);
        return true;
    }
    bool integer(double& value) {
        bool whole = false;
        if (!number(value, whole)) return false;
        return whole || fail("expected an integer");
    }
};

const char* const stateMembers[] = {"playerX",        "shuttleX",        "shuttleY",
                                    "cameraX",        "cameraY",         "runSpeed",
                                    "power",          "kickCount",       "drift",
                                    "shuttleFrame",   "runFrame",        "blink",
                                    "appActive",      "leftHeld",        "rightHeld",
                                    "enterHeld",      "spaceHeld",       "spaceReleased",
                                    "menuChoice",     "titleActive",     "rallyActive",
                                    "serveReady",     "dropped",         "kickPending",
                                    "kickAnimActive", "zoomGrowing",     "shuttleRightOffset",
                                    "launchSpeed",    "launchHeight",    "flightTime",
                                    "prevHeight",     "countdownFrames", "kickAnimFrames",
                                    "zoomInset",      "zoomStage",       "respawnTick",
                                    "cwTurnTimer",    "ccwTurnTimer",    "wobbleTimer",
                                    "wobble"};

bool dragonflies(Reader& r) {
    if (!r.take('[')) return false;
    for (int i = 0; i < DragonflyCount; ++i) {
        if (i && !r.take(',')) return r.fail("fewer than 25 dragonflies");
        if (!r.take('[')) return false;
        for (int k = 0; k < 7; ++k) {
            if (k && !r.take(',')) return false;
            double v;
            bool whole;
            if (k == 5 ? !r.number(v, whole) : !r.integer(v)) return false;
        }
        if (!r.take(']')) return false;
    }
    return r.take(']') || r.fail("more than 25 dragonflies");
}

bool draws(Reader& r) {
    if (!r.take('[')) return false;
    for (bool first = true; !r.peek(']'); first = false) {
        if (!first && !r.take(',')) return false;
        if (!r.take('[')) return false;
        std::string name;
        if (!r.string(name)) return false;
        int n = 0;
        while (r.peek(',')) {
            ++r.p;
            double v;
            if (!r.integer(v)) return false;
            ++n;
        }
        if (n != 2 && n != 4)
            return r.fail("a draw of " + name + " with " + std::to_string(n) + " numbers");
        if (!r.take(']')) return false;
    }
    return r.take(']');
}

bool sounds(Reader& r) {
    if (!r.take('[')) return false;
    for (bool first = true; !r.peek(']'); first = false) {
        if (!first && !r.take(',')) return false;
        std::string s;
        if (!r.string(s)) return false;
    }
    return r.take(']');
}

}  // namespace

bool traceLineWellFormed(const char* line, size_t length, std::string& why) {
    Reader r{line, line + length, {}};
    std::set<std::string> seen;
    bool ok = r.take('{');
    for (bool first = true; ok && !r.peek('}'); first = false) {
        std::string name;
        ok = (first || r.take(',')) && r.string(name) && r.take(':');
        if (!ok) break;
        if (!seen.insert(name).second) {
            ok = r.fail("member " + name + " twice");
            break;
        }
        double v;
        if (name == "dragonflies")
            ok = dragonflies(r);
        else if (name == "draws")
            ok = draws(r);
        else if (name == "sounds")
            ok = sounds(r);
        else
            ok = r.integer(v);
    }
    ok = ok && r.take('}');
    if (ok && r.p != r.end) ok = r.fail("text after the object");
    if (ok) {
        for (const char* m : stateMembers)
            if (!seen.count(m)) ok = r.fail(std::string("member ") + m + " missing");
        for (const char* m : {"frame", "dragonflies", "draws", "sounds"})
            if (ok && !seen.count(m)) ok = r.fail(std::string("member ") + m + " missing");
        if (ok && seen.size() != sizeof stateMembers / sizeof stateMembers[0] + 4)
            ok = r.fail("a member the trace does not define");
    }
    if (!ok) why = r.why.empty() ? "malformed" : r.why + " at column " + std::to_string(r.p - line);
    return ok;
}
