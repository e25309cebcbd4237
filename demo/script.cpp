#include "demo/script.h"

#include <cctype>
#include <sstream>

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

bool parseScript(std::istream& in, const std::string& name, std::vector<ScriptLine>& lines,
                 std::string& error) {
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        const size_t hash = text.find('#');
        if (hash != std::string::npos) text.erase(hash);
        std::istringstream words(text);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;
        auto fail = [&](const std::string& what) {
            error = name + ":" + std::to_string(number) + ": " + what;
            return false;
        };
        uint64_t step = 0;
        if (!parseNumber(w[0], MaxStep, step))
            return fail("'" + w[0] + "' is not a step number from 0 to " + std::to_string(MaxStep));
        if (w.size() < 2) return fail("a message is missing after the step");
        const std::string& verb = w[1];
        ScriptLine line{static_cast<int64_t>(step), 0, 0};
        size_t wanted = 2;
        if (verb == "keydown" || verb == "keyup") {
            line.message = verb == "keydown" ? WM_KEYDOWN : WM_KEYUP;
            wanted = 3;
            if (w.size() < 3) return fail(verb + " needs a key");
            if (!parseKey(w[2], line.wParam)) return fail("'" + w[2] + "' is not a key");
        } else if (verb == "activate") {
            line.message = WM_ACTIVATEAPP;
            wanted = 3;
            if (w.size() < 3) return fail("activate needs a value");
            if (!parseInteger(w[2], line.wParam)) return fail("'" + w[2] + "' is not an integer");
        } else if (verb == "timer") {
            line.message = WM_TIMER;
            line.wParam = 1;
        } else if (verb == "close") {
            line.message = WM_CLOSE;
        } else {
            return fail("'" + verb + "' is not a message (keydown, keyup, activate, timer, close)");
        }
        if (w.size() > wanted) return fail("unexpected '" + w[wanted] + "' at the end of the line");
        lines.push_back(line);
    }
    if (in.bad()) {
        error = name + ": cannot be read";
        return false;
    }
    return true;
}
