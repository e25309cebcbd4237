#include "demo/session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "demo/script.h"
#include "demo/trace.h"
#include "platform/os.h"
#include "platform/win.h"
#include "platform/win_queue.h"

namespace {

FILE* record = nullptr;
std::string recordName;
FILE* trace = nullptr;
std::string traceName;
TraceWriter writer;

std::vector<ScriptLine> replay;
ScriptHeader replayHeader;
size_t nextLine = 0;
bool replaying = false;

// Writing stops at the first failure, with one line; the game plays on.
void writeOrStop(FILE*& file, const std::string& name, const char* what, const char* text,
                 size_t length) {
    if (!file || (std::fwrite(text, 1, length, file) == length && std::fflush(file) == 0)) return;
    std::fprintf(stderr, "pako: cannot write the %s %s: %s\n", what, name.c_str(),
                 std::strerror(errno));
    std::fclose(file);
    file = nullptr;
}

FILE* openForWriting(const std::string& name, const char* what) {
    FILE* file = os::openFile(name.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "pako: cannot write the %s %s: %s; the game plays on without it\n",
                     what, name.c_str(), std::strerror(errno));
        return nullptr;
    }
    // A line at a time: a game that ends in any way leaves whole lines.
    // (Windows' C library buffers _IOLBF as whole blocks, and takes no size
    // of 0; each write is flushed too, a no-op where lines are flushed.)
    std::setvbuf(file, nullptr, _IOLBF, BUFSIZ);
    return file;
}

void endTracedFrame() {
    if (!writer.framePending()) return;
    if (!trace) {
        writer.endFrame();
        return;
    }
    if (!writer.writeFrame(trace) || std::fflush(trace) != 0) {
        std::fprintf(stderr, "pako: cannot write the trace %s: %s\n", traceName.c_str(),
                     std::strerror(errno));
        std::fclose(trace);
        trace = nullptr;
    }
}

// Posts the recorded messages of every step up to the pump's.
void postDueLines() {
    while (nextLine < replay.size() && replay[nextLine].step <= pumpStep()) {
        const ScriptLine& l = replay[nextLine++];
        winq::postToWindow(l.message, l.wParam, 0);
    }
}

void lookingAtQueue() {
    endTracedFrame();
    if (replaying) postDueLines();
}

void messageTaken(const MSG& msg, MessageOrigin origin) {
    if (!record || origin == MessageOrigin::Game) return;
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_ACTIVATEAPP:
        case WM_TIMER:
        case WM_CLOSE: break;
        default: return;
    }
    char text[ScriptLineCapacity];
    const size_t n = formatScriptLine(ScriptLine{pumpStep(), msg.message, msg.wParam}, text);
    writeOrStop(record, recordName, "record", text, n);
}

// The game sleeps: a replay's next messages are brought on at once, in the
// step the record gives them.
void aboutToSleep() {
    if (!replaying || nextLine >= replay.size()) return;
    setPumpStep(replay[nextLine].step);
    postDueLines();
}

const PumpWatcher watcher{lookingAtQueue, messageTaken, aboutToSleep};

}  // namespace

bool loadReplay(const std::string& path, std::string& error) {
    replay.clear();
    nextLine = 0;
    if (!readScriptFile(path, true, replay, replayHeader, error)) return false;
    replaying = true;
    return true;
}

uint32_t replaySeed() { return replayHeader.seed; }

void startDemo(const DemoFiles& files, uint32_t seed) {
    if (!files.record.empty()) {
        recordName = files.record;
        record = openForWriting(recordName, "record");
        const std::string header = recordHeader(seed);
        writeOrStop(record, recordName, "record", header.data(), header.size());
    }
    if (!files.trace.empty()) {
        traceName = files.trace;
        trace = openForWriting(traceName, "trace");
        traceGame(&writer, pumpStep);
    }
    setPumpWatcher(&watcher);
}

void finishDemoAtOnce() {
    // The frame that ran in this step, if one did, is the last; the close
    // comes in the step after it, before any further frame.
    int64_t step = pumpStep();
    if (writer.framePending() && writer.frameStep() >= step) step = writer.frameStep() + 1;
    setPumpStep(step);
    if (record) {
        char text[ScriptLineCapacity];
        const size_t n = formatScriptLine(ScriptLine{step, WM_CLOSE, 0}, text);
        writeOrStop(record, recordName, "record", text, n);
    }
    finishDemo();
}

void finishDemo() {
    endTracedFrame();
    setPumpWatcher(nullptr);
    traceGame(nullptr, nullptr);
    if (record) {
        const std::string end = recordEnd(pumpStep());
        writeOrStop(record, recordName, "record", end.data(), end.size());
        if (record && std::fclose(record) != 0)
            std::fprintf(stderr, "pako: cannot write the record %s: %s\n", recordName.c_str(),
                         std::strerror(errno));
        record = nullptr;
    }
    if (trace) std::fclose(trace);
    trace = nullptr;
    replaying = false;
}
