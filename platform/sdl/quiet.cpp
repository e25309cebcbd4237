// Standard error silenced for a while (sdl_platform.h): what the libraries
// below SDL write while it looks for a display or a sound device.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/sdl/sdl_platform.h"

namespace sdlplat {

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
}

QuietStandardError::~QuietStandardError() {
    std::fflush(stderr);
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
}

}  // namespace sdlplat
