// The game's executable on a Linux desktop: the process entry of the original
// platform's runtime, which hands the game its module and show command and
// ends the process with what the game returns; the few options a Linux
// player expects, none of which changes the game; and the demo files:
// recording a game, playing a record again, tracing the frames.
#define SDL_MAIN_HANDLED

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "demo/session.h"
#include "pako_version.h"  // generated: PAKO_VERSION, PAKO_COMMIT
#include "platform/os.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/app.h"

namespace {

const char* const usage =
    "usage: pako [--window] [--record FILE] [--replay FILE] [--trace FILE]\n"
    "       pako --help | --version\n"
    "\n"
    "Pako Tumbo: run along the bottom of the playfield and keep the\n"
    "shuttlecock in the air by kicking it.\n"
    "\n"
    "  --window         start in a window instead of full screen\n"
    "  --record FILE    write the game as it is played to FILE, a record that\n"
    "                   pako --replay and pako-sim --replay play again\n"
    "  --replay FILE    play a recorded game again, at the game's own speed;\n"
    "                   Escape or F12 stops it\n"
    "  --trace FILE     write a line for every frame that ran (pako-sim's trace)\n"
    "  --help           show this text\n"
    "  --version        show the game's version and the commit of its source\n"
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
    // Windows: output reaches the console the game was started from, if
    // any, and file names keep their letters whatever the code page.
    os::useParentConsole();
    os::useUtf8Arguments(argc, argv);
    DemoFiles demo;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        std::string* file = std::strcmp(arg, "--record") == 0   ? &demo.record
                            : std::strcmp(arg, "--replay") == 0 ? &demo.replay
                            : std::strcmp(arg, "--trace") == 0  ? &demo.trace
                                                                : nullptr;
        if (file) {
            if (i + 1 >= argc || !*argv[i + 1] || !file->empty()) {
                std::fprintf(stderr, "pako: %s needs one file name (see pako --help)\n", arg);
                return 2;
            }
            *file = argv[++i];
            continue;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("pako %s\ncommit %s\n", PAKO_VERSION, PAKO_COMMIT);
            return 0;
        }
        if (std::strcmp(arg, "--window") == 0) {
            sdlplat::setStartWindowed(true);
            continue;
        }
        std::fprintf(stderr, "pako: unknown option '%s' (see pako --help)\n", arg);
        return 2;
    }
    // A record to play again is read whole before anything starts; its seed
    // is the game's. Otherwise the seed is the clock's, chosen here so that a
    // record can say which it was.
    uint32_t seed = static_cast<uint32_t>(std::time(nullptr));
    if (!demo.replay.empty()) {
        std::string error;
        if (!loadReplay(demo.replay, error)) {
            std::fprintf(stderr, "pako: %s\n", error.c_str());
            return sdlplat::endWith(2);
        }
        seed = replaySeed();
        sdlplat::setReplaying(true);
    }
    sdlplat::setSeed(seed);
    startDemo(demo, seed);
    // A game ended at once (the display lost) still leaves its record and
    // trace on whole lines, the record with its end.
    sdlplat::setFinishAtOnce(finishDemoAtOnce);
    // The game reads no command line: it gets an empty one, as from a
    // desktop icon.
    char commandLine[] = "";
    appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    finishDemo();
    // The game's own answer is 0 whatever happened; the shell hears whether
    // it could start at all.
    const int code = sdlplat::startUpCompleted() ? 0 : 1;
    sdlplat::shutdown();
    return sdlplat::endWith(code);
}
