// pako-sim: the whole game over the simulated platform, with a trace of
// every frame. See --help.
#define SDL_MAIN_HANDLED  // our own main(), not SDL's (Windows)

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "demo/script.h"
#include "demo/trace.h"
#include "display/display.h"
#include "harness/sim_options.h"
#include "platform/headless/headless.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "shell/app.h"

namespace {

struct Run {
    FILE* trace = nullptr;
    std::string dumpDir;
    int64_t every = 1;
    TraceWriter writer;
    int64_t framesRun = 0;
    bool failed = false;
};
Run run;

void dumpFrame(int64_t step) {
    if (!backBuffer || !backBuffer->pixels) return;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(backBuffer->pixels, SDL_PIXELFORMAT_BGR24, 0);
    if (!rgb) return;
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06lld.bmp", static_cast<long long>(step));
    const std::string path = run.dumpDir + name;
    if (SDL_SaveBMP(rgb, path.c_str()) != 0 && !run.failed) {
        std::fprintf(stderr, "pako-sim: cannot write %s\n", path.c_str());
        run.failed = true;
    }
    SDL_FreeSurface(rgb);
}

// A frame ran since the last look at the queue: it has been drawn and
// flipped, so its line can be written now.
void endFrame() {
    if (!run.writer.framePending()) return;
    const int64_t step = run.writer.frameStep();
    if (!run.trace)
        run.writer.endFrame();
    else if (!run.writer.writeFrame(run.trace) && !run.failed) {
        std::fprintf(stderr, "pako-sim: cannot write the trace\n");
        run.failed = true;
    }
    if (!run.dumpDir.empty() && run.framesRun % run.every == 0) dumpFrame(step);
    ++run.framesRun;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pako-sim: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    os::useUtf8Arguments(argc, argv);
    SimOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) return fail(error);
    if (options.help) {
        std::fputs(simUsage, stdout);
        return 0;
    }

    std::vector<ScriptLine> script;
    ScriptHeader header;
    if (!options.script.empty() &&
        !readScriptFile(options.script, options.replay, script, header, error))
        return fail(error);
    // A recorded game replays with its seed, without automatic ticks, up to
    // its last line, unless the command line says otherwise.
    if (header.record) {
        if (!options.seedGiven) options.seed = header.seed;
        if (header.timerRecorded) options.timer = false;
        if (!options.framesGiven)
            options.frames = header.endStep >= 0 ? header.endStep + 1
                             : script.empty()    ? 0
                                                 : script.back().step + 1;
    }
    if (!options.dumpDir.empty()) {
        if (!os::makeFolder(options.dumpDir.c_str()) && !os::isFolder(options.dumpDir.c_str()))
            return fail("--dump-frames: cannot make " + options.dumpDir + ": " +
                        std::strerror(errno));
        if (!os::isWritableFolder(options.dumpDir.c_str()))
            return fail("--dump-frames: " + options.dumpDir + " is not a writable folder");
        run.dumpDir = os::absolutePath(options.dumpDir);
        run.every = options.every;
    }
    if (!options.assets.empty()) {
        if (!os::isFolder(options.assets.c_str()))
            return fail("--assets: " + options.assets + " is not a folder");
    }
    if (!options.trace.empty()) {
        if (options.trace == "-") os::binaryStandardOutput();
        run.trace = options.trace == "-" ? stdout : os::openFile(options.trace.c_str(), "wb");
        if (!run.trace) return fail(options.trace + ": cannot be written: " + std::strerror(errno));
    }
    if (!options.assets.empty() && !os::changeFolder(options.assets.c_str()))
        return fail("--assets: cannot change to " + options.assets + ": " + std::strerror(errno));

    headless::reset();
    headless::setCalendarSeconds(options.seed);
    headless::setStepLimit(options.frames);
    headless::setAutomaticTimer(options.timer);
    for (const ScriptLine& l : script) headless::scheduleMessage(l.step, l.message, l.wParam, 0);
    headless::setPumpHook(endFrame);
    setResourcesEnabled(options.resources);
    traceGame(&run.writer, headless::currentStep);

    char commandLine[] = "";
    appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    endFrame();

    for (const std::string& s : headless::debugStrings()) std::fputs(s.c_str(), stderr);
    if (run.trace && run.trace != stdout && std::fclose(run.trace) != 0 && !run.failed) {
        std::fprintf(stderr, "pako-sim: cannot write the trace\n");
        run.failed = true;
    }
    if (run.trace == stdout) std::fflush(stdout);
    return run.failed ? 1 : 0;
}
