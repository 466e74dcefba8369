#include "scratch_dir.h"
#include "settings/setting_data.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Notepad's "UTF-16 LE" and "UTF-16 BE" come after the marks FF FE and FE FF, read as UTF-8
// (each length of it up to its limits); a file that only starts like one is read as its bytes.
TEST(Settings, Utf16WithItsMark) {
    ScratchDir dir;
    const std::tuple<std::string, std::string, Lines> cases[] = {
        {std::string("\xFF\xFEv\0=\0a\0,\0B0=\xD8\0\xDE\r\0\n\0", 20),
         "v",
         {"a", "\xE3\x81\x82\xF0\x9F\x98\x80"}},
        {std::string("\xFE\xFF\0v\0=\0\x7F\x07\xFF\x08\0\xFF\xFF\xDB\xFF\xDF\xFF", 18),
         "v",
         {"\x7F\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF"}},
        {"\xFF\xFEv=a", "\xFF\xFEv", {"a"}}, // an odd length
        {std::string("\xFF\xFEv\0=\0\0\xDC", 8),
         std::string("\xFF\xFEv\0", 4),
         {std::string("\0\0\xDC", 3)}}, // a lone surrogate
    };
    for (const auto &[bytes, key, items] : cases) {
        SCOPED_TRACE(bytes.size());
        writeFile(dir.file("s.txt"), bytes);
        SettingData data(dir.file("s.txt"));
        EXPECT_EQ(data.entries.at(key), items);
    }
}

} // namespace
