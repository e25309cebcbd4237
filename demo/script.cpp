#include "demo/script.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/os.h"

namespace {

constexpr uint64_t MaxStep = uint64_t{1} << 40;

bool parseKey(std::string word, WPARAM& key) {
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* name;
        WPARAM code;
    } names[] = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"space", VK_SPACE},
                 {"left", VK_LEFT},    {"up", VK_UP},         {"right", VK_RIGHT},
                 {"down", VK_DOWN},    {"f12", VK_F12}};
    for (const auto& n : names) {
        if (word == n.name) {
            key = n.code;
            return true;
        }
    }
    if (word.size() < 3 || word.size() > 10 || word[0] != '0' || word[1] != 'x') return false;
    uint32_t v = 0;
    for (size_t i = 2; i < word.size(); ++i) {
        const char c = word[i];
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        v = v * 16 + d;
    }
    key = v;
    return true;
}

bool parseInteger(const std::string& word, WPARAM& value) {
    uint64_t v = 0;
    if (!word.empty() && word[0] == '-') {
        if (!parseNumber(word.substr(1), 2147483648u, v)) return false;
        value = static_cast<WPARAM>(-static_cast<int64_t>(v));
        return true;
    }
    if (!parseNumber(word, 4294967295u, v)) return false;
    value = static_cast<WPARAM>(v);
    return true;
}

}  // namespace

bool parseNumber(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (v > (max - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

namespace {

// One line of a script (comments gone): false with what is wrong.
bool parseLine(const std::vector<std::string>& w, ScriptLine& line, std::string& why) {
    uint64_t step = 0;
    if (!parseNumber(w[0], MaxStep, step)) {
        why = "'" + w[0] + "' is not a step number from 0 to " + std::to_string(MaxStep);
        return false;
    }
    if (w.size() < 2) {
        why = "a message is missing after the step";
        return false;
    }
    const std::string& verb = w[1];
    line = ScriptLine{static_cast<int64_t>(step), 0, 0};
    size_t wanted = 2;
    if (verb == "keydown" || verb == "keyup") {
        line.message = verb == "keydown" ? WM_KEYDOWN : WM_KEYUP;
        wanted = 3;
        if (w.size() < 3) {
            why = verb + " needs a key";
            return false;
        }
        if (!parseKey(w[2], line.wParam)) {
            why = "'" + w[2] + "' is not a key";
            return false;
        }
    } else if (verb == "activate") {
        line.message = WM_ACTIVATEAPP;
        wanted = 3;
        if (w.size() < 3) {
            why = "activate needs a value";
            return false;
        }
        if (!parseInteger(w[2], line.wParam)) {
            why = "'" + w[2] + "' is not an integer";
            return false;
        }
    } else if (verb == "timer") {
        line.message = WM_TIMER;
        line.wParam = 1;
    } else if (verb == "close") {
        line.message = WM_CLOSE;
    } else {
        why = "'" + verb + "' is not a message (keydown, keyup, activate, timer, close)";
        return false;
    }
    if (w.size() > wanted) {
        why = "unexpected '" + w[wanted] + "' at the end of the line";
        return false;
    }
    return true;
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    return w;
}

}  // namespace

bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 ScriptHeader& header, std::string& error) {
    header = ScriptHeader{};
    std::string text;
    int number = 0;
    bool inHeader = false, seedSeen = false, timerSeen = false;
    auto fail = [&](const std::string& what) {
        error = name + ":" + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (number == 1 && text.rfind("# pako-record", 0) == 0) {
            if (text != RecordMagic)
                return fail("'" + text + "' is not a record this game can read ('" + RecordMagic +
                            "')");
            header.record = inHeader = true;
            continue;
        }
        if (header.record && in.eof()) return fail("cut off: the record's last line has no end");
        if (inHeader) {
            const std::vector<std::string> w = wordsOf(text);
            const bool key = w.size() >= 2 && w[0] == "#" && (w[1] == "seed" || w[1] == "timer");
            if (key) {
                uint64_t seed = 0;
                if (w[1] == "seed") {
                    if (seedSeen || w.size() != 3 || !parseNumber(w[2], 4294967295u, seed))
                        return fail("the header's seed must be given once, 0 to 4294967295");
                    header.seed = static_cast<uint32_t>(seed);
                    seedSeen = true;
                } else {
                    if (timerSeen || w.size() != 3 || (w[2] != "recorded" && w[2] != "automatic"))
                        return fail("the header's timer is 'recorded' or 'automatic', once");
                    header.timerRecorded = w[2] == "recorded";
                    timerSeen = true;
                }
                continue;
            }
            inHeader = false;
            if (!seedSeen || !timerSeen)
                return fail(std::string("the header ends without its ") +
                            (seedSeen ? "timer" : "seed"));
        }
        const size_t hash = text.find('#');
        if (header.record && hash != std::string::npos) {
            const std::vector<std::string> c = wordsOf(text.substr(hash));
            uint64_t end = 0;
            if (c.size() == 3 && c[0] == "#" && c[1] == "end") {
                if (!parseNumber(c[2], MaxStep, end) ||
                    (!lines.empty() && static_cast<int64_t>(end) < lines.back().step))
                    return fail("the record's end must be a step at or after its last line");
                header.endStep = static_cast<int64_t>(end);
            }
        }
        if (hash != std::string::npos) text.erase(hash);
        const std::vector<std::string> w = wordsOf(text);
        if (w.empty()) continue;
        ScriptLine line{};
        std::string why;
        if (!parseLine(w, line, why)) return fail(why);
        if (header.record && header.endStep >= 0) return fail("a line after the record's end");
        if (header.record && !lines.empty() && line.step < lines.back().step)
            return fail("step " + std::to_string(line.step) + " comes after step " +
                        std::to_string(lines.back().step) + ": a record's steps never go back");
        lines.push_back(line);
    }
    if (in.bad()) {
        error = name + ": cannot be read";
        return false;
    }
    if (inHeader && (!seedSeen || !timerSeen))
        return fail(std::string("the header ends without its ") + (seedSeen ? "timer" : "seed"));
    return true;
}

bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 std::string& error) {
    ScriptHeader header;
    return parseScript(in, name, lines, header, error);
}

bool readScriptFile(const std::string& path, bool mustBeRecord, std::vector<ScriptLine>& lines,
                    ScriptHeader& header, std::string& error) {
    std::ifstream file;
    if (path != "-") {
        file.open(os::pathOf(path), std::ios::binary);
        if (!file) {
            error = path + ": cannot be read: " + std::strerror(errno);
            return false;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    // A record is known by its first line, before anything else is read.
    if (mustBeRecord && in.peek() != '#') {
        error = path + ":1: not a recorded game (its first line is not '" + RecordMagic + "')";
        return false;
    }
    if (!parseScript(in, path, lines, header, error)) return false;
    if (mustBeRecord && !header.record) {
        error = path + ":1: not a recorded game (its first line is not '" + RecordMagic + "')";
        return false;
    }
    return true;
}

std::string recordHeader(uint32_t seed) {
    return std::string(RecordMagic) + "\n# seed " + std::to_string(seed) + "\n# timer recorded\n";
}

std::string recordEnd(int64_t step) { return "# end " + std::to_string(step) + "\n"; }

size_t formatScriptLine(const ScriptLine& line, char* out) {
    static const struct {
        WPARAM code;
        const char* name;
    } keys[] = {{VK_RETURN, "enter"}, {VK_ESCAPE, "escape"}, {VK_SPACE, "space"}, {VK_LEFT, "left"},
                {VK_UP, "up"},        {VK_RIGHT, "right"},   {VK_DOWN, "down"},   {VK_F12, "f12"}};
    const auto step = static_cast<long long>(line.step);
    int n = 0;
    switch (line.message) {
        case WM_KEYDOWN:
        case WM_KEYUP: {
            const char* verb = line.message == WM_KEYDOWN ? "keydown" : "keyup";
            const char* keyName = nullptr;
            for (const auto& k : keys)
                if (k.code == line.wParam) keyName = k.name;
            n = keyName
                    ? std::snprintf(out, ScriptLineCapacity, "%lld %s %s\n", step, verb, keyName)
                    : std::snprintf(out, ScriptLineCapacity, "%lld %s 0x%X\n", step, verb,
                                    static_cast<unsigned>(line.wParam));
            break;
        }
        case WM_ACTIVATEAPP:
            n = std::snprintf(out, ScriptLineCapacity, "%lld activate %d\n", step,
                              static_cast<int32_t>(line.wParam));
            break;
        case WM_TIMER: n = std::snprintf(out, ScriptLineCapacity, "%lld timer\n", step); break;
        case WM_CLOSE: n = std::snprintf(out, ScriptLineCapacity, "%lld close\n", step); break;
        default: n = 0; break;
    }
    return n > 0 ? static_cast<size_t>(n) : 0;
}
