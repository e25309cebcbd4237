// The simulator's input script: one window message a line, each for a step;
// and a recorded game, which is such a script with a header (docs/simulator.md).
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

// A recorded game's header: its first line is RecordMagic, and the lines
// right after it say the seed the game drew and that its timer's ticks are
// lines of the record:
//   # pako-record 1
//   # seed 1765190400
//   # timer recorded
//
// A record that the game finished writing ends with the step at which the
// game ended: "# end N".
struct ScriptHeader {
    bool record = false;  // the script is a recorded game
    uint32_t seed = 0;
    bool timerRecorded = false;  // replayed with no automatic ticks
    int64_t endStep = -1;        // -1: the record does not say
};
constexpr const char* RecordMagic = "# pako-record 1";

// Reads a whole script. On a line it cannot use, returns false with
// "NAME:LINE: what is wrong" in error. A recorded game is held to more: its
// header whole, its steps in order, and every line ended.
bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 ScriptHeader& header, std::string& error);
bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 std::string& error);

// Reads the script or record in file `path` ("-": standard input). With
// mustBeRecord, anything but a recorded game is refused. False with a line
// naming the file (and the line, where one is at fault) in error.
bool readScriptFile(const std::string& path, bool mustBeRecord, std::vector<ScriptLine>& lines,
                    ScriptHeader& header, std::string& error);

// The header of a record, its end, and one script line, each ended by a
// line feed.
std::string recordHeader(uint32_t seed);
std::string recordEnd(int64_t step);
// Writes the line into out (at least ScriptLineCapacity bytes); its length.
constexpr size_t ScriptLineCapacity = 64;
size_t formatScriptLine(const ScriptLine& line, char* out);
