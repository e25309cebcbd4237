// The simulator's command line and script reader.
#include <gtest/gtest.h>

#include <sstream>

#include "demo/script.h"
#include "harness/sim_options.h"

namespace {

bool parse(std::vector<std::string> args, SimOptions& o, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("pako-sim")};
    for (std::string& a : args) argv.push_back(a.data());
    return parseOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(SimOptions, ReadsEveryOptionAndRefusesWhatItCannotUse) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(parse(
        {"--frames", "0", "--seed", "4294967295", "--script", "-", "--trace", "t", "--no-timer",
         "--dump-frames", "d", "--every", "3", "--assets", "a", "--no-resources"},
        o, error));
    EXPECT_EQ(o.frames, 0);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.script, "-");
    EXPECT_FALSE(o.timer);
    EXPECT_EQ(o.every, 3);
    EXPECT_FALSE(o.resources);
    const std::vector<std::vector<std::string>> bad = {
        {"--frames"},     {"--frames", "-1"}, {"--frames", "12x"}, {"--seed", "4294967296"},
        {"--every", "0"}, {"--bogus"},        {"--trace", ""},     {"frames"}};
    for (const auto& args : bad) {
        SimOptions b;
        error.clear();
        EXPECT_FALSE(parse(args, b, error)) << args[0];
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;  // names the option
    }
}

TEST(SimScript, ReadsMessagesAndNamesTheLineItCannotParse) {
    std::istringstream in(
        "# a comment\n\n12 keydown enter   # trailing\n3 keyup 0x25\n7 activate -1\n"
        "7 activate 2\n0 timer\n99 close\n4 keydown F12\n");
    std::vector<ScriptLine> lines;
    std::string error;
    ASSERT_TRUE(parseScript(in, "s", lines, error)) << error;
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].step, 12);
    EXPECT_EQ(lines[0].message, WM_KEYDOWN);
    EXPECT_EQ(lines[0].wParam, VK_RETURN);
    EXPECT_EQ(lines[1].wParam, VK_LEFT);
    EXPECT_EQ(lines[2].wParam, 0xFFFFFFFFu);
    EXPECT_EQ(lines[4].message, WM_TIMER);
    EXPECT_EQ(lines[5].message, WM_CLOSE);
    EXPECT_EQ(lines[6].wParam, VK_F12);  // key names in any case
    const char* bad[] = {"x keydown enter", "1 keydown",    "1 keydown enterr",
                         "1 jump",          "1 timer now",  "-3 close",
                         "1 activate one",  "1 keyup 0xZZ", "99999999999999999999 close"};
    for (const char* text : bad) {
        std::istringstream one(std::string("0 timer\n") + text + "\n");
        std::vector<ScriptLine> l;
        EXPECT_FALSE(parseScript(one, "f.script", l, error)) << text;
        EXPECT_EQ(error.rfind("f.script:2: ", 0), 0u) << error;
    }
}

}  // namespace
