// The display lost, on an X server: the X library calls a handler of ours
// when the connection to the server breaks (the server ended or was
// killed). Its own handler would print its line and end the process from
// whichever thread met the break, with the presenter's thread still
// running; ours hands the end to the game (ending.cpp) and never returns.
//
// SDL loads the X library itself, at run time; the handler is set through
// the library SDL loaded, only when SDL's video runs on X.
#include <dlfcn.h>

#include <cstring>

#include "platform/sdl/sdl_platform.h"

namespace {

char displayName[128];

int onConnectionLost(void*) { sdlplat::displayLost(displayName); }

}  // namespace

namespace sdlplat {

void watchDisplayConnection() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!x11) return;
    using Handler = int (*)(void*);
    using SetHandler = Handler (*)(Handler);
    auto setHandler = reinterpret_cast<SetHandler>(dlsym(x11, "XSetIOErrorHandler"));
    const char* name = SDL_getenv("DISPLAY");
    SDL_snprintf(displayName, sizeof displayName, "%s", name ? name : "");
    if (setHandler) setHandler(onConnectionLost);
    // The library stays loaded while SDL holds it; this handle only counted.
    dlclose(x11);
}

}  // namespace sdlplat
