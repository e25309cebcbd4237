// The operating system's calls under the platform (platform/os.h), the same
// cases on every system: names with letters outside ASCII and spaces (a
// player called "Zoë Ångström"), folders, the working folder, files written
// and read back, and the wait.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "harness/files.h"
#include "platform/file_guards.h"
#include "platform/os.h"

namespace {

const std::string User = "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m";  // UTF-8

TEST(Os, FoldersAndFilesWithLettersOutsideAsciiAndSpaces) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    EXPECT_FALSE(os::isFolder(User.c_str()));
    ASSERT_TRUE(os::makeFolder(User.c_str()));
    EXPECT_TRUE(os::makeFolder(User.c_str())) << "a folder already there is there";
    EXPECT_TRUE(os::isFolder(User.c_str()));
    EXPECT_TRUE(os::isWritableFolder(User.c_str()));
    // The system sees the same name the game wrote (not its code page's
    // reading of the bytes).
    bool seen = false;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        seen |= entry.path().filename() == os::pathOf(User);
    EXPECT_TRUE(seen);

    const std::string file = User + "/" + User + ".record";
    FILE* out = os::openFile(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("line one\nline two\n", out);
    std::fclose(out);
    EXPECT_FALSE(os::isFolder(file.c_str())) << "a file is no folder";
    EXPECT_EQ(readRegularFile(file.c_str(), 100).size(), 18u) << "LF stays LF";
    std::ifstream in(os::pathOf(file), std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "line one");

    // Into the folder and back: the working folder's name, and a name made
    // absolute, keep every letter.
    char before[4096];
    ASSERT_TRUE(os::currentFolder(before, sizeof before));
    ASSERT_TRUE(os::changeFolder(User.c_str()));
    char inside[4096];
    ASSERT_TRUE(os::currentFolder(inside, sizeof inside));
    const std::string here = inside;
    EXPECT_EQ(here.substr(here.size() - User.size()), User);
    EXPECT_EQ(readRegularFile((User + ".record").c_str(), 100).size(), 18u);
    const std::string absolute = os::absolutePath(User + ".record");
    EXPECT_EQ(absolute, here + (absolute[here.size()] == '\\' ? "\\" : "/") + User + ".record");
    char small[4];
    EXPECT_FALSE(os::currentFolder(small, sizeof small)) << "a name that does not fit";
    ASSERT_TRUE(os::changeFolder(before));
    EXPECT_FALSE(os::changeFolder("no such folder"));
    EXPECT_EQ(os::absolutePath("no such file"), "no such file");
    EXPECT_EQ(os::openFile("no such folder/file", "wb"), nullptr);
}

TEST(Os, TemporaryFoldersAreNewAndEmpty) {
    std::set<std::string> made;
    for (int i = 0; i < 5; ++i) {
        const std::string folder = os::makeTempFolder("pako-os-test-");
        ASSERT_FALSE(folder.empty());
        EXPECT_TRUE(made.insert(folder).second) << "made twice: " << folder;
        EXPECT_TRUE(os::isFolder(folder.c_str()));
        EXPECT_TRUE(std::filesystem::is_empty(os::pathOf(folder)));
    }
    for (const std::string& folder : made) std::filesystem::remove(os::pathOf(folder));
}

TEST(Os, TheWaitNeverEndsEarlyAndTheClockNeverStepsBack) {
    int64_t last = os::monotonicNs();
    for (int i = 0; i < 20; ++i) {
        const int64_t until = os::monotonicNs() + (i % 5) * 700'000;  // 0 to 2.8 ms
        os::sleepUntilNs(until);
        const int64_t now = os::monotonicNs();
        EXPECT_GE(now, until);
        EXPECT_GE(now, last);
        last = now;
    }
    os::sleepUntilNs(last - 1'000'000'000);  // a moment long past: at once
    os::sleepUntilNs(0);
}

}  // namespace
