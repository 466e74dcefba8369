#include "driver/dir_name.h"

#include <gtest/gtest.h>

namespace {

// Windows paths, which the program's own path takes only under Windows.
TEST(DirName, WindowsPaths) {
    EXPECT_EQ(dirName("C:\\a\\b\\x.exe"), "C:\\a\\b");
    EXPECT_EQ(dirName("C:\\x.exe"), "C:\\");
    EXPECT_EQ(dirName("C:x.exe"), "C:");
    EXPECT_EQ(dirName("\\x.exe"), "\\");
    EXPECT_EQ(dirName("x.exe"), ".");
}

} // namespace
