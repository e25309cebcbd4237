// The operating system's calls on Windows: see platform/os.h. UTF-8 names
// become the system's wide names here, and only here.
//
// This file includes <windows.h>, so it must never include platform/win.h:
// the game's own MSG, HWND and WM_* would clash with the system's.
//
// <windows.h> first: the other system headers build on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <climits>
#include <cstdlib>
#include <cwchar>

#include "platform/os.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

std::wstring wide(const char* utf8) {
    if (!utf8 || !*utf8) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), n);
    text.resize(static_cast<size_t>(n - 1));
    return text;
}

std::string utf8(const wchar_t* text) {
    if (!text || !*text) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

int64_t counterFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    return frequency;
}

// The wait between frames on Windows.
//
// A plain Sleep wakes on the system timer's tick: every 15.6 ms unless some
// program asked for a finer one, and up to a tick late. A 14 ms frame cannot
// be kept on that. So the wait sleeps on a high-resolution waitable timer
// (Windows 10 1803 and later), which wakes within a fraction of a
// millisecond whatever the tick, until a little before the moment, and
// finishes on the performance counter, the clock monotonicNs() reads, giving
// the processor away between looks. Only that last stretch runs, so the
// processor rests for nearly the whole wait, as on Linux.
//
// Where no such timer can be made (an older Windows), the wait asks for a
// 1 ms tick (timeBeginPeriod, once; Windows 10 2004 and later keep the
// request to this process) and sleeps in whole milliseconds, leaving two
// ticks to the counter.
//
// Wine runs these calls on Linux's own precise timers, so a test under Wine
// shows the wait ending on time and resting, not how coarse the real tick
// is; the margins below are what keeps it right on Windows itself.
constexpr int64_t FineMarginNs = 500'000;      // a high-resolution timer's lateness
constexpr int64_t CoarseMarginNs = 2'000'000;  // two ticks of 1 ms

struct Waiter {
    HANDLE timer = nullptr;
    bool fine = false;
    Waiter() {
        timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                       TIMER_ALL_ACCESS);
        fine = timer != nullptr;
        if (!fine) {
            static const bool asked = timeBeginPeriod(1) == TIMERR_NOERROR;
            (void)asked;
        }
    }
    ~Waiter() {
        if (timer) CloseHandle(timer);
    }
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;
};

}  // namespace

namespace os {

int64_t monotonicNs() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    const int64_t f = counterFrequency();
    const int64_t count = c.QuadPart;
    // In two parts, so that a machine up for months cannot overflow.
    return count / f * 1'000'000'000 + count % f * 1'000'000'000 / f;
}

void sleepUntilNs(int64_t when) {
    // The presenter's thread waits too: a timer for each thread.
    thread_local Waiter waiter;
    for (;;) {
        const int64_t left = when - monotonicNs();
        if (left <= 0) return;
        if (waiter.fine && left > FineMarginNs) {
            LARGE_INTEGER due;
            due.QuadPart = -((left - FineMarginNs) / 100);  // relative, in 100 ns
            if (due.QuadPart < 0 &&
                SetWaitableTimer(waiter.timer, &due, 0, nullptr, nullptr, FALSE))
                WaitForSingleObject(waiter.timer, INFINITE);
            else
                Sleep(0);
        } else if (!waiter.fine && left > CoarseMarginNs) {
            Sleep(static_cast<DWORD>((left - CoarseMarginNs) / 1'000'000 + 1));
        } else {
            // The last stretch: look at the counter, letting any other
            // thread that is ready run in between.
            if (!SwitchToThread()) YieldProcessor();
        }
    }
}

void lowerThisThreadsPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

// Wine puts a window's picture on the X server when one of the program's
// threads next waits for messages (or after 50 ms without such a wait):
// the game's thread waits for its next frame before the presenter has
// drawn, so without this the picture waited for the frame after. A wait of
// no time lets it go at once; on Windows it only returns.
void pictureDrawn() { MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT); }

bool runsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<unsigned char> readRegularFile(const char* name, int64_t maxBytes) {
    std::vector<unsigned char> bytes;
    if (!name || !*name) return bytes;
    // Raw bytes, never the C library's text mode (which would turn CR LF into
    // LF and stop at a 0x1A): Win32 reads, as the original read its files.
    HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;  // missing, a folder, not allowed
    LARGE_INTEGER size{};
    BY_HANDLE_FILE_INFORMATION info{};
    // A device (CON, NUL, a pipe) is no file of ours.
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && GetFileSizeEx(file, &size) &&
        size.QuadPart > 0 && size.QuadPart <= maxBytes) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < bytes.size()) {
            const size_t want = bytes.size() - done;
            DWORD got = 0;
            const DWORD ask = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
            if (!ReadFile(file, bytes.data() + done, ask, &got, nullptr) || got == 0) break;
            done += got;
        }
        // A file that shrank or could not be read is no file of ours.
        if (done != bytes.size()) bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

FILE* openFile(const char* name, const char* mode) {
    if (!name || !*name) return nullptr;
    return _wfopen(wide(name).c_str(), wide(mode).c_str());
}

bool isFolder(const char* name) {
    const DWORD attributes = GetFileAttributesW(wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isWritableFolder(const char* name) {
    const DWORD attributes = GetFileAttributesW(wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_READONLY);
}

bool makeFolder(const char* name) {
    return CreateDirectoryW(wide(name).c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && isFolder(name));
}

bool changeFolder(const char* name) { return SetCurrentDirectoryW(wide(name).c_str()) != 0; }

bool currentFolder(char* folder, size_t size) {
    wchar_t given[4096];
    const DWORD n = GetCurrentDirectoryW(4096, given);
    if (n == 0 || n >= 4096 || size == 0) return false;
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, given, -1, folder,
                            size > INT_MAX ? INT_MAX : static_cast<int>(size), nullptr, nullptr);
    return bytes > 0;
}

std::string absolutePath(const std::string& name) {
    const std::wstring given = wide(name.c_str());
    if (given.empty() || GetFileAttributesW(given.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
    const DWORD n = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (n == 0) return name;
    std::wstring full(n, L'\0');
    if (GetFullPathNameW(given.c_str(), n, full.data(), nullptr) == 0) return name;
    return utf8(full.c_str());
}

std::string makeTempFolder(const char* prefix) {
    wchar_t base[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) return {};
    // A name no other process is likely to pick, tried again if one did.
    uint64_t mix = static_cast<uint64_t>(monotonicNs()) ^ (uint64_t{GetCurrentProcessId()} << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        mix = mix * 6364136223846793005u + 1442695040888963407u;
        wchar_t letters[16];
        std::swprintf(letters, 16, L"%08x", static_cast<unsigned>(mix >> 32));
        const std::wstring folder = std::wstring(base) + wide(prefix) + letters;
        if (CreateDirectoryW(folder.c_str(), nullptr)) return utf8(folder.c_str());
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

void binaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

int silenceStandardError() {
    std::fflush(stderr);
    const int saved = _dup(2);
    if (saved < 0) return -1;  // no standard error at all: nothing to silence
    const int null = _open("NUL", _O_WRONLY | _O_NOINHERIT);
    if (null >= 0) {
        _dup2(null, 2);
        _close(null);
    }
    return saved;
}

void restoreStandardError(int saved) {
    std::fflush(stderr);
    if (saved < 0) return;
    _dup2(saved, 2);
    _close(saved);
}

// The game is a windowed program (no console opens beside it when it is
// started from Explorer). Started from a console, its standard streams lead
// nowhere; those are pointed at the console it came from. A stream already
// redirected (to a file, a pipe) stays as it is.
void useParentConsole() {
    if (GetConsoleWindow() || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    const auto unconnected = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h == nullptr || h == INVALID_HANDLE_VALUE || GetFileType(h) == FILE_TYPE_UNKNOWN;
    };
    if (unconnected(STD_OUTPUT_HANDLE)) (void)std::freopen("CONOUT$", "w", stdout);
    if (unconnected(STD_ERROR_HANDLE)) (void)std::freopen("CONOUT$", "w", stderr);
}

void useUtf8Arguments(int& argc, char**& argv) {
    static std::vector<std::string> words;
    static std::vector<char*> pointers;
    int n = 0;
    LPWSTR* given = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!given) return;
    words.clear();
    for (int i = 0; i < n; ++i) words.push_back(utf8(given[i]));
    LocalFree(given);
    pointers.clear();
    for (std::string& w : words) pointers.push_back(w.data());
    pointers.push_back(nullptr);
    argc = n;
    argv = pointers.data();
}

}  // namespace os
