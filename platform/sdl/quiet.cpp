// Standard error silenced for a while (sdl_platform.h): what the libraries
// below SDL write while it looks for a display or a sound device.
#include "platform/os.h"
#include "platform/sdl/sdl_platform.h"

namespace sdlplat {

QuietStandardError::QuietStandardError() : saved_(os::silenceStandardError()) {}

QuietStandardError::~QuietStandardError() { os::restoreStandardError(saved_); }

}  // namespace sdlplat
