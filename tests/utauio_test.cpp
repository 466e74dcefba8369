#include "scratch_dir.h"
#include "utauio/inout_data.h"
#include "utauio/voice_bank.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using namespace std::literals;

using Keys = std::vector<std::string>;

// Keys order by their hash h = h * 11 + byte, then by their bytes taken as signed, a proper
// prefix first.
std::pair<uint32_t, std::vector<signed char>> rank(const std::string &key) {
    uint32_t h = 0;
    for (unsigned char c : key)
        h = h * 11 + c;
    return {h, {key.begin(), key.end()}};
}

// Puts the keys of one tree, given in insertion order, in its visit order: node, smaller keys,
// larger keys.
void preorder(Keys::iterator begin, Keys::iterator end) {
    if (end - begin < 2)
        return;
    const auto larger = std::stable_partition(
        begin + 1, end, [&](const std::string &key) { return rank(key) < rank(*begin); });
    preorder(begin + 1, larger);
    preorder(larger, end);
}

// Slot h % slots upwards, each slot's tree built in the order of the keys.
void visit(Keys::iterator begin, Keys::iterator end, uint32_t slots) {
    auto bySlot = [&](const std::string &a, const std::string &b) {
        return rank(a).first % slots < rank(b).first % slots;
    };
    std::stable_sort(begin, end, bySlot);
    for (auto slot = begin; slot != end; slot = std::upper_bound(slot, end, *slot, bySlot))
        preorder(slot, std::upper_bound(slot, end, *slot, bySlot));
}

// The entry order of keys inserted one by one: past four keys a slot, the slots grow to the
// first of 389, 1543, 6151 that holds them and the keys are placed anew in the order visited.
Keys entryOrder(Keys keys) {
    uint32_t slots = 97;
    for (size_t n = 1; n <= keys.size(); ++n) {
        if (n > 4 * slots) {
            visit(keys.begin(), keys.begin() + n, slots);
            slots = n <= 389 ? 389 : n <= 1543 ? 1543 : 6151;
        }
    }
    visit(keys.begin(), keys.end(), slots);
    return keys;
}

// Random keys and values, equal hashes across 0x80 among them, some set from views of the text
// a song is read from and some from the map's own bytes; the text is released while in use.
TEST(EntryMap, MatchesAPlainReference) {
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto key = [&]() -> std::string {
        if (pick(3) > 0) // "", "\0", "\0\0"... all hash to 0
            return (pick(2) ? "key" + std::to_string(pick(3000)) : "") +
                   std::string(pick(4), "aZ=\x80\xff\0"[pick(6)]);
        const size_t h = 1413 + pick(8), first = 0x7e + pick(3); // "\x7f\x10", "\x80\x05"...
        return {static_cast<char>(first), static_cast<char>(h - 11 * first)};
    };
    for (size_t target : {3, 16, 17, 60, 388, 1600}) {
        SCOPED_TRACE(target);
        std::string lines;
        while (lines.size() < 4096)
            lines += key() + std::string(pick(300), '=');
        auto text = std::make_shared<const std::string>(lines);
        EntryMap map;
        map.share(text);
        std::map<std::string, std::string> values;
        Keys keys; // in first-insertion order
        while (map.size() < target) {
            std::string newKey = pick(2) || keys.empty() ? key() : keys[pick(keys.size())];
            std::string newValue = key() + std::string(pick(2) * 200, 'v');
            std::string_view k = newKey, v = newValue;
            if (pick(3) == 0) { // a "key=value" line of the text
                const size_t at = pick(text->size() - 400);
                k = std::string_view(*text).substr(at, pick(8));
                v = std::string_view(*text).substr(at + k.size() + pick(2), pick(300));
            } else if (pick(3) == 0 && !keys.empty()) { // views of the map's own bytes
                k = map.at(keys[pick(keys.size())]);
                v = map.at(keys[pick(keys.size())]);
            }
            if (values.insert_or_assign(std::string(k), std::string(v)).second)
                keys.emplace_back(k);
            map.set(k, v);
            if (map.size() >= target / 2) // the map keeps its text; this one is new
                text = std::make_shared<const std::string>(lines);
        }
        std::vector<std::pair<std::string, std::string>> got, expected;
        map.forEach([&](std::string_view k, std::string_view v) { got.emplace_back(k, v); });
        for (const std::string &k : entryOrder(keys))
            expected.emplace_back(k, values.at(k));
        ASSERT_EQ(got, expected);
    }
}

// A bank's files are input nobody checked: NUL bytes, bytes of no encoding, no final line end,
// a 10 MB line, OTO.INI in capitals, a link back up (not walked into).
TEST(VoiceBank, BadFilesEndInNames) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("bank/sub"));
    writeFile(dir.file("bank/sub/OTO.INI"), std::string("\0=\0- a\0,\xFF\r\n\x81=\xE3\n", 15) +
                                                "x.wav=" + std::string(10 << 20, 'k') + "- i");
    std::error_code noLinks; // where the system lets the test make one
    std::filesystem::create_directory_symlink(dir.path / "bank", dir.path / "bank/sub/up", noLinks);
    const VoiceBank bank(dir.file("bank"));
    EXPECT_EQ(bank.nameCount(), 3u);
    for (std::string_view name : {"\0- a\0"sv, "\n\xE3\n"sv, "k- i\n"sv})
        EXPECT_TRUE(bank.anyNameContains(name)) << name;
    for (std::string_view name : {"\xFF"sv, "x.wav"sv})
        EXPECT_FALSE(bank.anyNameContains(name)) << name;
}

// Each limit of the walk ends it past its value, not at it, with a reason that names the value.
TEST(VoiceBank, LimitsEndTheWalkWithTheirValue) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("bank/a/b/c")); // 1 + 2 + 1 entries, 3 levels
    const unsigned long long size = (1 << 20) + 1024;
    writeFile(dir.file("bank/a/oto.ini"), std::string(size - 9, 'k') + "x.wav=- a");
    for (const auto &[limits, reason] : std::vector<std::pair<BankLimits, std::string>>{
             {{4, 3, size}, ""},
             {{3, 3, size}, "more than 3 entries."},
             {{4, 2, size}, "more than 2 levels of folders."},
             {{4, 3, 1 << 20}, "more than 1 MiB of oto.ini text."},
             {{4, 3, 3 << 10}, "more than 3 KiB of oto.ini text."},
             {{4, 3, size - 1}, "more than 1049599 bytes of oto.ini text."}}) {
        try {
            const VoiceBank bank(dir.file("bank"), limits);
            EXPECT_EQ(reason, "");
        } catch (const Exception &e) {
            EXPECT_EQ(e.message, reason);
        }
    }
}

} // namespace
