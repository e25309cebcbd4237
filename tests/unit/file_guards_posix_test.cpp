// The file guard on POSIX systems: a pipe of the file's name is refused at
// once, never waited on (a Windows device of the name: os_windows_test.cpp).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "harness/files.h"
#include "platform/file_guards.h"

namespace {

TEST(FileGuard, RefusesAPipeWithoutWaitingForAWriter) {
    TempDir dir;
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    EXPECT_TRUE(readRegularFile("pipe", 10).empty());
    EXPECT_TRUE(readRegularFile("/dev/zero", 10).empty()) << "a device is no file";
}

}  // namespace
