// Not a web page: every browser call does nothing, and the desktop's own
// way stands (browser.h).
#include "platform/sdl/browser.h"

namespace browser {

void prepare() {}

bool windowIsTheCanvas() { return false; }

bool canvasArea(SDL_Rect*) { return false; }

bool hasThreads() { return true; }

bool waitForNextFrame(int64_t) { return false; }

bool framesKeepAFixedStep() { return false; }

bool sleepUntilNs(int64_t) { return false; }

bool showMessage(const char*, const char*) { return false; }

void end(int) {}

}  // namespace browser
