#include "harness/sim_options.h"

#include "demo/script.h"

#include <cstring>

const char* const simUsage =
    "usage: pako-sim [--frames N] [--seed S] [--script FILE | --replay FILE]\n"
    "                [--trace FILE] [--no-timer] [--dump-frames DIR] [--every K]\n"
    "                [--assets DIR] [--no-resources]\n"
    "\n"
    "Runs the game on a simulated platform: no window, no sound, a simulated\n"
    "clock, input from a script. Step f of 14 ms begins at 14 x f ms.\n"
    "\n"
    "  --frames N        simulate N steps (0 or more), then close the window (1000)\n"
    "  --seed S          seed the random generator with S, 0..4294967295 (1)\n"
    "  --script FILE     read input from FILE, '-' for standard input (none)\n"
    "  --replay FILE     replay a game recorded by pako --record: a script whose\n"
    "                    header gives the seed and the timer's ticks; --seed,\n"
    "                    --frames given too win over the record\n"
    "  --trace FILE      write one JSON line per frame that ran, '-' for standard\n"
    "                    output (none)\n"
    "  --no-timer        no automatic 200 ms timer ticks; script 'timer' lines still work\n"
    "  --dump-frames DIR write the back buffer of every K-th frame that ran as\n"
    "                    DIR/frame-NNNNNN.bmp (24-bit, 640 x 480; NNNNNN is the step);\n"
    "                    DIR is made if missing\n"
    "  --every K         with --dump-frames, K of 1 or more (1)\n"
    "  --assets DIR      the working directory of the game: where bitmap files and\n"
    "                    wave files are looked for (the current one)\n"
    "  --no-resources    ignore the embedded bitmaps: every picture comes from its\n"
    "                    file in the working directory, or is missing\n"
    "  --help            show this text\n"
    "\n"
    "Script: one message a line, '#' starts a comment:\n"
    "  STEP keydown KEY | STEP keyup KEY | STEP activate W | STEP timer | STEP close\n"
    "KEY: enter escape space left up right down f12 (any case), or a code 0x..\n"
    "A script whose first line is '# pako-record 1' is a recorded game: the lines\n"
    "'# seed S' and '# timer recorded' follow, and it replays with that seed, no\n"
    "automatic ticks and, unless --frames says otherwise, up to its last line.\n"
    "Exit status: 0 when the run ended, 2 on bad input (nothing is simulated).\n";

bool parseOptions(int argc, char** argv, SimOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = opt + ": missing value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](uint64_t min, uint64_t max, uint64_t& out) {
            std::string text;
            if (!value(text)) return false;
            if (!parseNumber(text, max, out) || out < min) {
                error = opt + ": '" + text + "' is not a whole number from " + std::to_string(min) +
                        " to " + std::to_string(max);
                return false;
            }
            return true;
        };
        uint64_t n = 0;
        if (opt == "--frames") {
            if (!number(0, uint64_t{1} << 40, n)) return false;
            o.frames = static_cast<int64_t>(n);
            o.framesGiven = true;
        } else if (opt == "--seed") {
            if (!number(0, 4294967295u, n)) return false;
            o.seed = static_cast<uint32_t>(n);
            o.seedGiven = true;
        } else if (opt == "--every") {
            if (!number(1, uint64_t{1} << 40, n)) return false;
            o.every = static_cast<int64_t>(n);
        } else if (opt == "--script" || opt == "--replay" || opt == "--trace" ||
                   opt == "--dump-frames" || opt == "--assets") {
            std::string text;
            if (!value(text)) return false;
            if (text.empty()) {
                error = opt + ": empty value";
                return false;
            }
            if (opt == "--script" || opt == "--replay") {
                if (!o.script.empty()) {
                    error = opt + ": only one script or record";
                    return false;
                }
                o.replay = opt == "--replay";
            }
            (opt == "--script" || opt == "--replay" ? o.script
             : opt == "--trace"                     ? o.trace
             : opt == "--dump-frames"               ? o.dumpDir
                                                    : o.assets) = text;
        } else if (opt == "--no-timer") {
            o.timer = false;
        } else if (opt == "--no-resources") {
            o.resources = false;
        } else if (opt == "--help" || opt == "-h") {
            o.help = true;
        } else {
            error = opt + ": unknown option (see --help)";
            return false;
        }
    }
    return true;
}
