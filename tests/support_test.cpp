#include "support/entry_map.h"
#include "support/failure.h"
#include "support/lines.h"
#include "support/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> result;
    forEachLine(text, [&](std::string_view line) { result.emplace_back(line); });
    return result;
}

template <class V> std::vector<std::string> keys(const EntryMap<V> &map) {
    std::vector<std::string> result;
    map.forEach([&](std::string_view key, auto &&) { result.emplace_back(key); });
    return result;
}

using Lines = std::vector<std::string>;

TEST(Lines, Terminators) {
    struct Case {
        std::string text;
        Lines expected;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"a\r", {"a"}},
        {"\r", {""}},
        {" a \t\n", {" a \t"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(lines(c.text), c.expected);
    }
}

TEST(Lines, EndsFoundEightBytesAStepMatchAPlainScan) {
    // Terminators at every place in and across the eight-byte steps, among bytes that differ
    // from CR or LF in one bit or only in the high bit.
    std::mt19937 random(7);
    const std::string alphabet{'\r', '\n', '\x8D', '\x8A', '\x0C', '\x0B', 'a',
                               '=',  '\x82', '\xA0', '\0',   '\x0E', '\x1D'};
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, 'x');
        for (char &c : text) {
            if (random() % 3 == 0)
                c = alphabet[random() % alphabet.size()];
        }
        for (size_t from = 0; from <= text.size(); ++from) {
            size_t plain = text.find_first_of("\r\n", from);
            ASSERT_EQ(lineEnd(text, from), plain == std::string::npos ? text.size() : plain)
                << testing::PrintToString(text) << " from " << from;
        }
    }
}

TEST(EntryMap, VisitsKeysInEntryOrderNotInsertionOrder) {
    EntryMap<std::string> map;
    for (const char *key : {"Length", "Lyric", "NoteNum"})
        map.set(key, "v");
    EXPECT_EQ(keys(map), (Lines{"NoteNum", "Length", "Lyric"}));
}

TEST(EntryMap, FlagLettersComeLowerCaseFirstThenUpperCase) {
    EntryMap<std::string> map;
    std::string letters = "ZzAaMmgGBb";
    for (char c : letters)
        map.set(std::string(1, c), "");
    EXPECT_EQ(keys(map), (Lines{"a", "b", "g", "m", "z", "A", "B", "G", "M", "Z"}));
}

TEST(EntryMap, EqualHashesCompareBytesAsSigned) {
    // h = 11 * first + second: all three keys hash to 1413 and share one slot's tree.
    const std::string root = "\x7f\x10", high = "\x80\x05", low = "\x7e\x1b";
    EntryMap<int> map;
    map.set(root, 1);
    map.set(high, 2); // 0x80 is -128 as a signed byte: smaller than the root, goes left
    map.set(low, 3);  // smaller than the root, larger than 0x80: right of it
    EXPECT_EQ(keys(map), (Lines{root, high, low}));
}

TEST(EntryMap, ReplacingKeepsPlaceAndMissingKeyNamesCaller) {
    EntryMap<std::string> map;
    map.set("Lyric", "a");
    map.set("Length", "480");
    map.set("Lyric", "- a");
    EXPECT_EQ(keys(map), (Lines{"Length", "Lyric"}));
    EXPECT_EQ(map.at("Lyric"), "- a");
    EXPECT_EQ(map.size(), 2u);
    try {
        map.at("NoteNum");
        FAIL() << "no throw";
    } catch (const Error &error) {
        EXPECT_EQ(error.kind, "RangeError");
        EXPECT_EQ(error.message, "Range violation");
        EXPECT_TRUE(error.report().starts_with("RangeError@support_test(")) << error.report();
    }
}

TEST(EntryMap, StringValuesSurviveReplacingAndViewsOfTheMapItself) {
    EntryMap<std::string> map;
    const std::string pitches(200, '5'); // past the buffer's first size
    map.set("Lyric", "ka");
    map.set("PitchBend", pitches);
    map.set("Lyric", "a");                     // shorter: stays where it was
    map.set("Copy", map.at("PitchBend"));      // a view into the map's own bytes
    map.set("Lyric", "- " + std::string(map.at("Lyric"))); // longer: moves
    map.set(map.at("Lyric"), map.at("Lyric")); // a new key viewing the map's bytes
    EXPECT_EQ(map.at("Lyric"), "- a");
    EXPECT_EQ(map.at("- a"), "- a");
    EXPECT_EQ(map.at("PitchBend"), pitches);
    EXPECT_EQ(map.at("Copy"), pitches);
    EXPECT_EQ(map.size(), 4u);
}

TEST(EntryMap, SharedLinesAreViewedNotCopiedAndOutliveTheirOwner) {
    auto text = std::make_shared<const std::string>("Lyric=a\nPitchBend=" + std::string(200, '5') +
                                                    "\ngB70");
    const std::string_view whole = *text;
    EntryMap<std::string> map;
    map.share(text);
    map.set(whole.substr(0, 5), whole.substr(6, 1));     // "Lyric=a"
    map.set(whole.substr(8, 9), whole.substr(18, 200));  // "PitchBend=55..."
    map.set(whole.substr(219, 1), whole.substr(220, 3)); // a flag: "g" then "B70"
    map.set("Copied", whole.substr(6, 1));               // a key from elsewhere
    map.set(whole.substr(8, 5), whole.substr(0, 5));     // both in the text, but apart
    EXPECT_EQ(map.at("Lyric").data(), text->data() + 6);
    EXPECT_EQ(map.at("PitchBend").data(), text->data() + 18);
    EXPECT_EQ(map.at("g").data(), text->data() + 220);
    EXPECT_FALSE(viewsInto(whole, map.at("Copied")));
    EXPECT_FALSE(viewsInto(whole, map.at("Pitch")));
    EXPECT_EQ(map.at("Pitch"), "Lyric");
    EXPECT_EQ(map.byteSize(), (5u + 1) + (9 + 200) + (1 + 3) + (6 + 1) + (5 + 5));
    EXPECT_THROW(map.share(text), std::logic_error);

    EntryMap<std::string> copy = map;
    text.reset(); // the maps alone keep the text now
    map.set("Lyric", "- a");   // a shared entry, copied with its new value
    map.set("PitchBend", "5"); // the same, shorter
    map.set("Copied", "");     // a copied value, replaced where it is
    copy.set("Copied", whole.substr(0, 5));
    EXPECT_EQ(map.at("Lyric"), "- a");
    EXPECT_EQ(map.at("PitchBend"), "5");
    EXPECT_EQ(map.at("Copied"), "");
    EXPECT_EQ(map.at("g"), "B70");
    EXPECT_EQ(map.byteSize(), (5u + 3) + (9 + 1) + (1 + 3) + 6 + (5 + 5));
    EXPECT_EQ(copy.at("Lyric"), "a");
    EXPECT_EQ(copy.at("PitchBend"), std::string(200, '5'));
    EXPECT_EQ(copy.at("Copied"), "Lyric");
    EXPECT_EQ(keys(copy), keys(map));
}

TEST(EntryMap, LargeMapsKeepEveryKeyOnceAndStayOrderedAcrossGrowth) {
    EntryMap<int> map;
    const int count = 20000; // grows 97 -> 389 -> 6151 -> 24593 slots
    for (int i = 0; i < count; ++i)
        map.set("key" + std::to_string(i), i);
    for (int i = 0; i < count; i += 7)
        map.set("key" + std::to_string(i), -i);
    ASSERT_EQ(map.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(map.at("key" + std::to_string(i)), i % 7 ? i : -i);
    std::vector<std::string> visited = keys(map);
    EXPECT_EQ(std::set<std::string>(visited.begin(), visited.end()).size(), size_t(count));
}

TEST(EntryMap, CopiesAreIndependent) {
    for (int count : {5, 500}) { // scanned, and with a slot table
        EntryMap<std::string> map;
        for (int i = 0; i < count; ++i)
            map.set("k" + std::to_string(i), "v");
        EntryMap<std::string> copy = map;
        copy.set("k0", "changed");
        copy.set("added", "");
        EXPECT_EQ(map.at("k0"), "v");
        EXPECT_FALSE(map.contains("added"));
        EXPECT_EQ(keys(copy).size(), size_t(count) + 1);
        copy = map;
        EXPECT_EQ(keys(copy), keys(map));
    }
}

TEST(EntryMap, BuildingTheSlotTableKeepsTheOrder) {
    // Past a handful of keys the map indexes its slots; the trees must stay as they were.
    EntryMap<int> small, large;
    for (int i = 0; i < 60; ++i) {
        large.set("k" + std::to_string(i), i);
        if (i < 16)
            small.set("k" + std::to_string(i), i);
    }
    Lines inLarge;
    for (const std::string &key : keys(large)) {
        if (small.contains(key))
            inLarge.push_back(key);
    }
    EXPECT_EQ(inLarge, keys(small));
}

TEST(Failure, FileErrorMessageDropsTrailingLineBreak) {
    Exception e = fileError("C:\\song.tmp", "The system cannot find the file specified.\r\n");
    EXPECT_EQ(e.kind, "FileException");
    EXPECT_TRUE(e.message.starts_with("In support_test.cpp(")) << e.message;
    EXPECT_TRUE(e.message.ends_with(
        "), data file C:\\song.tmp: The system cannot find the file specified."))
        << e.message;
    EXPECT_EQ(e.description(), "FileException: " + e.message);
    EXPECT_EQ(e.report(), e.description());
}

TEST(Utf8, AcceptsValidAndRejectsMalformed) {
    struct Case {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},           {"abc", true},        {"\xE3\x81\x82", true},
        {"\xF0\x9F\x8E\xB5", true}, {"\x82\xA0", false}, {"\xC0\xAF", false},
        {"\xED\xA0\x80", false}, {"\xE3\x81", false},  {"\xF4\x90\x80\x80", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(isValidUtf8(c.text), c.valid);
        if (!c.valid) {
            EXPECT_THROW(decodeUtf8(c.text), Exception);
        }
    }
}

} // namespace
