// The display lost, where the platform has no way of telling us: the video
// driver's own answer stands (SDL sends its quit event where it can, and the
// game ends as on the window's close).
#include "platform/sdl/sdl_platform.h"

namespace sdlplat {

void watchDisplayConnection() {}

}  // namespace sdlplat
