// The operating system's calls on Linux and in the browser (Emscripten's
// POSIX): see platform/os.h.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#endif

#include "platform/os.h"

namespace os {

int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

// The kernel's timers are precise to some tens of microseconds: one
// absolute sleep, resumed after a signal, is the whole wait.
void sleepUntilNs(int64_t when) {
    if (when <= 0) return;
    timespec ts{static_cast<time_t>(when / 1'000'000'000), static_cast<long>(when % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void lowerThisThreadsPriority() {
#if defined(__linux__)
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
#endif
}

void pictureDrawn() {}

bool runsUnderWine() { return false; }

std::vector<unsigned char> readRegularFile(const char* name, int64_t maxBytes) {
    std::vector<unsigned char> bytes;
    if (!name) return bytes;
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= maxBytes) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        // A file that shrank or could not be read is no file of ours.
        if (done != bytes.size()) bytes.clear();
    }
    close(fd);
    return bytes;
}

FILE* openFile(const char* name, const char* mode) { return std::fopen(name, mode); }

bool isFolder(const char* name) {
    struct stat st;
    return stat(name, &st) == 0 && S_ISDIR(st.st_mode);
}

bool isWritableFolder(const char* name) { return isFolder(name) && access(name, W_OK) == 0; }

bool makeFolder(const char* name) {
    return mkdir(name, 0777) == 0 || (errno == EEXIST && isFolder(name));
}

bool changeFolder(const char* name) { return chdir(name) == 0; }

bool currentFolder(char* folder, size_t size) { return getcwd(folder, size) != nullptr; }

std::string absolutePath(const std::string& name) {
    char resolved[PATH_MAX];
    return realpath(name.c_str(), resolved) ? resolved : name;
}

std::string makeTempFolder(const char* prefix) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    return mkdtemp(pattern.data()) ? pattern : "";
}

void binaryStandardOutput() {}

int silenceStandardError() {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
    return saved;
}

void restoreStandardError(int saved) {
    std::fflush(stderr);
    if (saved < 0) return;
    dup2(saved, STDERR_FILENO);
    close(saved);
}

void useParentConsole() {}

void useUtf8Arguments(int&, char**&) {}

}  // namespace os
