// The simulator's command line.
#pragma once

#include <cstdint>
#include <string>

struct SimOptions {
    int64_t frames = 1000;
    uint32_t seed = 1;
    std::string script;   // empty: no input; "-": standard input
    bool replay = false;  // the script must be a recorded game (--replay)
    std::string trace;    // empty: no trace; "-": standard output
    bool timer = true;
    std::string dumpDir;  // empty: no frame dumps
    int64_t every = 1;
    std::string assets;  // empty: the current directory
    bool resources = true;
    bool help = false;
    // Given on the command line, not left to their defaults or to a
    // record's header.
    bool framesGiven = false;
    bool seedGiven = false;
};

// Parses argv into options. On bad input, returns false with a one-line
// message in error.
bool parseOptions(int argc, char** argv, SimOptions& options, std::string& error);

extern const char* const simUsage;
