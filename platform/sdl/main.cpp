// The game's executable on a Linux desktop: the process entry of the original
// platform's runtime, which hands the game its module and show command and
// ends the process with what the game returns.
#define SDL_MAIN_HANDLED

#include <string>

#include "platform/sdl/sdl_platform.h"
#include "shell/app.h"

int main(int argc, char** argv) {
    // The command line as the original's runtime passed it: the arguments
    // after the program's name. The game does not read it.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    const int code =
        appMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    sdlplat::shutdown();
    return code;
}
