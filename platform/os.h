// The operating system under the platform: the few calls that differ
// between the systems the game runs on (Linux and the browser's POSIX, and
// Windows). One file per system implements them, picked by the build as the
// back ends are: platform/os/posix.cpp or platform/os/windows.cpp. Nothing
// above this file asks which system it runs on.
//
// File names are UTF-8 everywhere, as SDL takes them: on Windows they are
// turned into the system's wide names, so a folder called "Zoë Ångström"
// works whatever the machine's code page.
//
// This header includes no system header: a file that includes <windows.h>
// cannot include platform/win.h (the same names), and both may need this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// --- Time ---

// Nanoseconds of a clock that never steps back, from an arbitrary origin.
int64_t monotonicNs();

// Sleeps until monotonicNs() reads `when` or later, the processor resting
// meanwhile; returns at once for a time already past.
void sleepUntilNs(int64_t when);

// The calling thread yields to the game's thread on a busy machine (the
// presenter's thread calls it).
void lowerThisThreadsPriority();

// Called by the presenter's thread right after each present: whatever the
// system holds back of the window's picture goes to the screen now.
void pictureDrawn();

// True when the game, built for Windows, runs under Wine on another system,
// where Direct3D is itself drawn through OpenGL.
bool runsUnderWine();

// --- Files ---

// The whole file `name`, read in binary, or nothing (an empty vector) when it
// is missing, unreadable, empty, larger than maxBytes, or not a regular file.
// Opening never blocks: a pipe of that name nobody writes to is no file.
std::vector<unsigned char> readRegularFile(const char* name, int64_t maxBytes);

// std::fopen for a UTF-8 name; `mode` as fopen's ("rb", "wb", ...).
FILE* openFile(const char* name, const char* mode);

// A UTF-8 name as a path for the standard library's streams and file system
// calls (the same bytes on POSIX; wide characters on Windows).
inline std::filesystem::path pathOf(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// Folders: whether `name` is one (and one this process may write into), one
// made (true when it is there afterwards), the working folder changed and
// read (false when it does not fit in `size` bytes), and a name made
// absolute (as it is when that fails).
bool isFolder(const char* name);
bool isWritableFolder(const char* name);
bool makeFolder(const char* name);
bool changeFolder(const char* name);
bool currentFolder(char* folder, size_t size);
std::string absolutePath(const std::string& name);

// A new, empty folder of this process's own under the system's folder for
// temporary files, named `prefix` and some letters; "" when none could be
// made.
std::string makeTempFolder(const char* prefix);

// --- Standard streams ---

// Standard output carries bytes as written (a trace): Windows would turn
// each LF into CR LF.
void binaryStandardOutput();

// Points standard error at the null device; what restoreStandardError takes
// to undo it (negative when nothing was changed).
int silenceStandardError();
void restoreStandardError(int saved);

// A program without a console of its own (the game, started from an icon)
// writes to the console it was started from, if any: for --help and
// --version typed in a console. Where there is none, nothing shows.
void useParentConsole();

// Makes argc and argv main's command line in UTF-8: on Windows, read again
// from the system's wide command line (the C library's argv is in the
// machine's code page, which may not hold the letters of a file's name);
// elsewhere left as it is. The strings live as long as the process.
void useUtf8Arguments(int& argc, char**& argv);

}  // namespace os
