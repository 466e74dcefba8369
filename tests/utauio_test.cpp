#include "scratch_dir.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Keys order by their hash h = h * 11 + byte, then by their bytes taken as signed, a proper
// prefix first.
std::pair<uint32_t, std::vector<signed char>> rank(const std::string &key) {
    uint32_t h = 0;
    for (unsigned char c : key)
        h = h * 11 + c;
    return {h, {key.begin(), key.end()}};
}

// The tree that keys build in this order, smaller keys to the left: node, left, right.
void preorder(const std::vector<std::string> &keys, std::vector<std::string> &out) {
    if (keys.empty())
        return;
    std::vector<std::string> left, right;
    for (size_t i = 1; i < keys.size(); ++i)
        (rank(keys[i]) < rank(keys[0]) ? left : right).push_back(keys[i]);
    out.push_back(keys[0]);
    preorder(left, out);
    preorder(right, out);
}

// Slot h % slots upwards, each slot's tree built in the order of keys.
std::vector<std::string> visited(const std::vector<std::string> &keys, uint32_t slots) {
    std::vector<std::vector<std::string>> trees(slots);
    for (const std::string &key : keys)
        trees[rank(key).first % slots].push_back(key);
    std::vector<std::string> out;
    for (const auto &tree : trees)
        preorder(tree, out);
    return out;
}

// The entry order of keys inserted one by one: past four keys a slot, the slots grow to the
// first of 389, 1543, 6151 that holds them and the keys are placed anew in the order visited.
std::vector<std::string> entryOrder(const std::vector<std::string> &keys) {
    std::vector<std::string> placed;
    uint32_t slots = 97;
    for (const std::string &key : keys) {
        placed.push_back(key);
        if (placed.size() > 4 * slots) {
            placed = visited(placed, slots);
            slots = placed.size() <= 389 ? 389 : placed.size() <= 1543 ? 1543 : 6151;
        }
    }
    return visited(placed, slots);
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
        std::vector<std::string> keys; // in first-insertion order
        while (map.size() < target) {
            std::string_view k = *text, v = *text;
            std::string newKey = pick(2) || keys.empty() ? key() : keys[pick(keys.size())];
            std::string newValue = key() + std::string(pick(2) * 200, 'v');
            if (pick(3) == 0) { // a "key=value" line of the text
                const size_t at = pick(text->size() - 400);
                k = k.substr(at, pick(8));
                v = v.substr(at + k.size() + pick(2), pick(300));
            } else if (pick(3) == 0 && !keys.empty()) { // views of the map's own bytes
                k = map.at(keys[pick(keys.size())]);
                v = map.at(keys[pick(keys.size())]);
            } else {
                k = newKey, v = newValue;
            }
            if (values.insert_or_assign(std::string(k), std::string(v)).second)
                keys.emplace_back(k);
            map.set(k, v);
            if (map.size() >= target / 2) // the map keeps its text; this one is new
                text = std::make_shared<const std::string>(lines);
        }
        Pairs got, expected;
        map.forEach([&](std::string_view k, std::string_view v) { got.emplace_back(k, v); });
        for (const std::string &k : entryOrder(keys))
            expected.emplace_back(k, values.at(k));
        ASSERT_EQ(got, expected);
        size_t bytes = 0;
        for (const auto &[k, v] : values)
            bytes += k.size() + v.size();
        EXPECT_EQ(map.byteSize(), bytes);
    }
}

TEST(InoutData, VoiceBankPathsAndClones) {
    InoutData data;
    EXPECT_EQ(data.otoIniPath(), "C:\\Program Files\\UTAU\\voice\\oto\\oto.ini");
    // The setting's last VoiceDir counts, no other section's.
    data.parse("[#SETTING]\nVoiceDir=a\nVoiceDir=D:\\v\n[#0000]\nVoiceDir=c\nFlags=g5\n"
               "[#NEXT]\nVoiceDir=d");
    EXPECT_EQ(data.prefixMapPath(), "D:\\v\\prefix.map");
    Session &note = *data.notes[0];
    note.follower = std::make_unique<Session>("0001");
    const auto copy = note.clone();
    note.parseLines({"VoiceDir=changed", "Flags=B1"});
    note.follower->parseLine("Lyric=u");
    EXPECT_EQ(copy->toLines(),
              (std::vector<std::string>{"[#0000]", "VoiceDir=c", "Flags=g5", "[#0001]", "Flags="}));
    EXPECT_EQ(copy->flagsText(), "g5");
}

TEST(InoutData, ByteOrderMarkIsSetAsideAndWrittenFirst) {
    // Only a mark that starts the file is set aside; one in a value is the value's.
    ScratchDir dir;
    const std::string path = dir.file("song.tmp");
    for (std::string mark : {"", "\xEF\xBB\xBF"}) {
        writeFile(path, mark + "[#SETTING]\nTempo=1\n[#0000]\nLyric=\xEF\xBB\xBF"
                               "a");
        InoutData data(path);
        data.save();
        EXPECT_EQ(readFile(path), mark + "[#SETTING]\r\nTempo=1\r\nFlags=\r\n[#PREV]\r\nFlags=\r\n"
                                         "[#0000]\r\nLyric=\xEF\xBB\xBF"
                                         "a\r\nFlags=\r\n[#NEXT]\r\nFlags=");
        EXPECT_EQ(data.toText(), readFile(path));
    }
}

} // namespace
