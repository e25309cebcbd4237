// The simulator's input script: one window message a line, each for a step.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "platform/win.h"

struct ScriptLine {
    int64_t step;
    UINT message;
    WPARAM wParam;
};

// Parses a whole number of at most max, digits only; false for anything else.
bool parseNumber(const std::string& text, uint64_t max, uint64_t& value);

// Reads a whole script. On a line it cannot use, returns false with
// "NAME:LINE: what is wrong" in error.
bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 std::string& error);
