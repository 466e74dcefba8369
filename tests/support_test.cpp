#include "support/entry_map.h"
#include "support/failure.h"
#include "support/lines.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// An entry map's keys and values kept the obvious way, and the order it visits them in.
struct Reference {
    std::map<std::string, std::string> values;
    std::vector<std::string> firstInserted;

    void set(std::string_view key, std::string_view value) {
        if (values.insert_or_assign(std::string(key), std::string(value)).second)
            firstInserted.emplace_back(key);
    }
    // Keys order by their hash h = h * 11 + byte, then by their bytes taken as signed chars,
    // a proper prefix first.
    static std::pair<uint32_t, std::vector<signed char>> rank(const std::string &key) {
        uint32_t h = 0;
        for (unsigned char c : key)
            h = h * 11 + c;
        return {h, {key.begin(), key.end()}};
    }
    // The tree that keys build in this order, smaller keys to the left: node, left subtree,
    // right subtree.
    void preorder(const std::vector<std::string> &keys, Pairs &out) const {
        if (keys.empty())
            return;
        std::vector<std::string> left, right;
        const auto root = rank(keys[0]);
        for (size_t i = 1; i < keys.size(); ++i)
            (rank(keys[i]) < root ? left : right).push_back(keys[i]);
        out.emplace_back(keys[0], values.at(keys[0]));
        preorder(left, out);
        preorder(right, out);
    }
    // Slot h % 97 upwards, each slot's tree built in first-insertion order.
    Pairs visited() const {
        std::vector<std::vector<std::string>> slots(97);
        for (const std::string &key : firstInserted)
            slots[rank(key).first % 97].push_back(key);
        Pairs out;
        for (const auto &slot : slots)
            preorder(slot, out);
        return out;
    }
};

void expectSame(const EntryMap<std::string> &map, const Reference &reference) {
    // Past four keys a slot the map has grown, and the order is its own.
    const bool grown = reference.values.size() > 388;
    Pairs got, expected = grown ? Pairs(reference.values.begin(), reference.values.end())
                                : reference.visited();
    map.forEach(
        [&](std::string_view key, std::string_view value) { got.emplace_back(key, value); });
    size_t bytes = 0;
    for (const auto &[key, value] : reference.values) {
        bytes += key.size() + value.size();
        ASSERT_TRUE(map.contains(key));
        ASSERT_EQ(map.at(key), value);
    }
    ASSERT_EQ(map.size(), reference.values.size());
    ASSERT_EQ(map.byteSize(), bytes);
    if (grown)
        std::sort(got.begin(), got.end());
    ASSERT_EQ(got, expected);
}

TEST(EntryMap, MatchesAPlainReference) {
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto key = [&]() -> std::string {
        // Shared prefixes and high bytes; "", "\0", "\0\0"... all hash to 0.
        if (pick(3) > 0)
            return (pick(2) ? "key" + std::to_string(pick(3000)) : "") +
                   std::string(pick(4), "aZ=\x80\xff\0"[pick(6)]);
        // Equal hashes 11 * first + second across 0x80, as "\x7f\x10", "\x80\x05", "\x7e\x1b".
        const size_t h = 1413 + pick(8), first = 0x7e + pick(3);
        return {static_cast<char>(first), static_cast<char>(h - 11 * first)};
    };
    auto value = [&] { return pick(8) ? key() : std::string(100 + pick(200), '=') + key(); };
    std::weak_ptr<const std::string> shared;
    auto change = [&](EntryMap<std::string> &map, Reference &reference) {
        const std::vector<std::string> &keys = reference.firstInserted;
        // Half the time a key it has, for a longer or shorter value.
        const std::string k = keys.empty() || pick(2) ? key() : keys[pick(keys.size())];
        const auto text = shared.lock();
        if (pick(4) == 0 && !keys.empty()) {
            // A value, then a key and value, viewing the map's own bytes.
            const std::string from = keys[pick(keys.size())], viewed(map.at(from));
            map.set(k, map.at(from));
            map.set(map.at(k), map.at(from));
            reference.set(k, viewed);
            reference.set(viewed, viewed);
        } else if (pick(3) == 0 && text) {
            // Views of the shared text as a song is read: the key, then one byte or none, then
            // the value.
            const std::string_view line = std::string_view(*text).substr(pick(text->size() - 400));
            const std::string_view key = line.substr(0, pick(8)),
                                   value = line.substr(key.size() + pick(2), pick(300));
            map.set(key, value);
            reference.set(key, value);
        } else {
            const std::string v = value();
            ASSERT_EQ(map.contains(k), reference.values.contains(k));
            map.set(k, v);
            reference.set(k, v);
        }
    };
    for (size_t target : {3, 16, 17, 60, 388, 1600}) {
        SCOPED_TRACE(target);
        std::string text;
        while (text.size() < 4096)
            text += key() + value();
        auto owned = std::make_shared<const std::string>(text);
        shared = owned;
        EntryMap<std::string> map;
        Reference reference;
        map.share(owned);
        map.reserve(pick(2) * target, 0);
        for (size_t step = 0; map.size() < target; ++step) {
            change(map, reference);
            if (map.size() >= target / 2)
                owned.reset(); // the text is released while the maps use it
            if (map.size() <= 40 || step % (map.size() > 388 ? 64 : 16) == 0) {
                ASSERT_NO_FATAL_FAILURE(expectSame(map, reference));
            }
        }
        // Copies made both ways, changed apart from the original from now on.
        EntryMap<std::string> copy(map), assigned;
        assigned = map;
        for (EntryMap<std::string> *other : {&copy, &assigned}) {
            Reference changed = reference;
            for (int step = 0; step < 20; ++step)
                change(*other, changed);
            ASSERT_NO_FATAL_FAILURE(expectSame(*other, changed));
        }
        ASSERT_NO_FATAL_FAILURE(expectSame(map, reference));
    }
    try {
        EntryMap<std::string>().at("missing");
        ADD_FAILURE() << "no throw";
    } catch (const Error &e) {
        EXPECT_EQ(e.description(), "RangeError: Range violation");
        EXPECT_TRUE(e.report().starts_with("RangeError@support_test(")) << e.report();
    }
}

TEST(Lines, MatchAPlainSplitter) {
    // Terminators at every place in and across the eight-byte steps, among bytes that differ
    // from CR or LF in one bit or only in the high bit.
    std::mt19937 random(7);
    const std::string alphabet("\r\n\x8D\x8A\x0C\x0B\x0F\x0E\x1D\x1A\x2D\x2A\x82\0", 14);
    const std::regex terminator("\r\n|\r|\n");
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, 'x');
        for (char &c : text)
            c = random() % 3 ? c : alphabet[random() % alphabet.size()];
        // The pieces between terminators: the library leaves out an empty last piece, so a
        // terminator at the very end makes no further line.
        std::vector<std::string> expected, got;
        if (!text.empty())
            expected.assign(std::sregex_token_iterator(text.begin(), text.end(), terminator, -1),
                            {});
        forEachLine(text, [&](std::string_view line) { got.emplace_back(line); });
        ASSERT_EQ(got, expected) << testing::PrintToString(text);
        for (size_t from = 0; from <= text.size(); ++from) {
            ASSERT_EQ(lineEnd(text, from), std::min(text.find_first_of("\r\n", from), text.size()))
                << testing::PrintToString(text) << " from " << from;
        }
    }
}

} // namespace
