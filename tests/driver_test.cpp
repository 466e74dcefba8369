#include "driver/dir_name.h"

#include <gtest/gtest.h>

namespace {

TEST(DirName, Paths) {
    // Shift-JIS "表" ends in the byte of "\" (the last case); the directory is found on the
    // UTF-8 form.
    const std::string cases[][2] = {
        {"C:\\a\\b\\x.exe", "C:\\a\\b"}, {"C:\\x.exe", "C:\\"},  {"C:x.exe", "C:"},
        {"\\x.exe", "\\"},               {"a/b/x.exe", "a/b"},   {"C:\\a\\\\x.exe", "C:\\a\\"},
        {"x.exe", "."},                  {"", "."},              {"/opt/t/tessal", "/opt/t"},
        {"C:\\\xE8\xA1\xA8\\x.exe", "C:\\\xE8\xA1\xA8"},
    };
    for (const auto &[path, dir] : cases)
        EXPECT_EQ(dirName(path), dir) << path;
}

} // namespace
