#include "harness/process.h"

#include <cstdlib>

#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/headless/headless.h"
#include "shell/app.h"

std::vector<DrawRecord> drawLog;

namespace {
void logDraw(const Sprite& s, int32_t x, int32_t y) { drawLog.push_back({s.name, {x, y}}); }
void logStretched(const Sprite& s, const RECT& d) {
    drawLog.push_back({s.name, {d.left, d.top, d.right, d.bottom}});
}
const DrawObserver logger{logDraw, logStretched};
}  // namespace

void clearDraws() { drawLog.clear(); }

std::vector<std::string> drawNames() {
    std::vector<std::string> names;
    for (const DrawRecord& d : drawLog) names.push_back(d.name);
    return names;
}

void freshProcess() {
    headless::reset();
    resetDisplay();
    resetGame();
    drawObserver = &logger;
    clearDraws();
}

void startGame() {
    freshProcess();
    if (initApp(GetModuleHandleA(nullptr), SW_SHOWDEFAULT) != 0) std::abort();
    gameStart();
    clearDraws();
}
