// The game's executable on a Linux desktop: the process entry of the original
// platform's runtime, which hands the game its module and show command and
// ends the process with what the game returns; and the few options a Linux
// player expects, none of which changes the game.
#define SDL_MAIN_HANDLED

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sdl/sdl_platform.h"
#include "shell/app.h"

#ifndef PAKO_VERSION
#define PAKO_VERSION "unknown"
#endif

namespace {

const char* const usage =
    "usage: pako [--window] [--help] [--version]\n"
    "\n"
    "Pako Tumbo: run along the bottom of the playfield and keep the\n"
    "shuttlecock in the air by kicking it.\n"
    "\n"
    "  --window    start in a window instead of full screen\n"
    "  --help      show this text\n"
    "  --version   show the game's version\n"
    "\n"
    "Keys:\n"
    "  Space         hold to charge the gauge, let go to kick\n"
    "  Left, Right   run\n"
    "  Up, Down      choose on the title and continue screens\n"
    "  Enter         confirm\n"
    "  Escape, F12   quit\n"
    "  Alt+Enter     full screen or a window\n"
    "A game controller works too (A, the d-pad or left stick, Start, Back).\n"
    "The sounds kick.wav and a1.wav are read from the working folder.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("pako %s\n", PAKO_VERSION);
            return 0;
        }
        if (std::strcmp(arg, "--window") == 0) {
            sdlplat::setStartWindowed(true);
            continue;
        }
        std::fprintf(stderr, "pako: unknown option '%s' (see pako --help)\n", arg);
        return 2;
    }
    // The game reads no command line: it gets an empty one, as from a
    // desktop icon.
    char commandLine[] = "";
    appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    // The game's own answer is 0 whatever happened; the shell hears whether
    // it could start at all.
    const int code = sdlplat::startUpCompleted() ? 0 : 1;
    sdlplat::shutdown();
#if defined(__EMSCRIPTEN__)
    sdlplat::endInBrowser(code);
#endif
    return code;
}
