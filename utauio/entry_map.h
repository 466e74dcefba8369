#pragma once

#include "support/failure.h"
#include "utauio/views.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A string-keyed map that visits its keys in the host file's entry order: keys hash into
// slots (97 at first), visited from slot 0 upwards; each slot is a binary search tree built
// in first-insertion order and visited node, left subtree, right subtree. Replacing a value
// keeps the key's place.
//
// A song holds a map per note, so the map is kept compact. It may share the unchanging text
// its entries were read from: an entry that lies there as a "key=value" line is kept as a
// place in that text. Other keys and values are copied into one buffer per map. A value is
// read as a view, valid until the map next changes.
class EntryMap {
  public:
    bool contains(std::string_view key) const { return find(hash(key), key) >= 0; }

    // Throws Error "Range violation" naming the caller's place when key is missing.
    std::string_view at(std::string_view key,
                        SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) const {
        int32_t i = find(hash(key), key);
        if (i < 0)
            throw rangeViolation(where);
        return valueOf(nodes[i]);
    }

    // Inserts key, or replaces its value in place.
    void set(std::string_view key, std::string_view value) {
        const uint32_t h = hash(key);
        // Reading a song: a key new to a small map with room for it, as a line of the shared
        // text. Kept short, so that it is inlined where lines are read.
        Node node{h, 0, 0, static_cast<uint32_t>(value.size())};
        if (nodes.size() + 1 < smallSize && nodes.size() < nodes.capacity() &&
            !(smallHashes & hashBit(h)) && value.size() < inShared &&
            sharedPlace(key, value, node)) {
            nodes.push_back(node);
            smallHashes |= hashBit(h);
            return;
        }
        setAny(h, key, value);
    }

    // Makes room for this many more keys, holding this many more bytes of keys and values;
    // a map that shares a text takes those bytes to be views of it and makes no room for them.
    void reserve(size_t moreKeys, size_t moreBytes) {
        nodes.reserve(nodes.size() + moreKeys);
        if (!shared && moreBytes > 0)
            spilled().bytes.reserve(spilled().bytes.size() + moreBytes);
    }

    // From now on, a key set from a view into text, with its value right after it or
    // after one byte between (as in a "key=value" line), is kept as a view of text; the map
    // holds on to text. Only an empty map takes a text.
    void share(std::shared_ptr<const std::string> text) {
        if (!nodes.empty())
            throw std::logic_error("EntryMap shares a text only while empty");
        shared = std::move(text);
    }

    size_t size() const { return nodes.size(); }
    // The bytes of the keys and values that forEach gives.
    size_t byteSize() const {
        size_t total = 0;
        for (const Node &node : nodes)
            total += (node.keyBits & sizeMask) + node.value;
        return total;
    }
    bool empty() const { return nodes.empty(); }

    // Calls f(key, value) for every key, in entry order.
    template <class F> void forEach(F &&f) const {
        // The map does not change meanwhile, so where its bytes are is looked up once.
        const Bases bases = currentBases();
        visit([&](int32_t i) { f(keyOf(nodes[i], bases), valueOf(nodes[i], bases)); });
    }

  private:
    // A key lies at offset, in the shared text when its bits have inShared set, else in the
    // spilled bytes; its value follows it, one byte further on when afterSeparator is set.
    static constexpr uint32_t inShared = uint32_t{1} << 31;
    static constexpr uint32_t afterSeparator = uint32_t{1} << 30;
    static constexpr uint32_t sizeMask = afterSeparator - 1;
    struct Node {
        uint32_t hash;
        uint32_t offset;
        uint32_t keyBits; // the key's size and the flags above
        uint32_t value;   // the value's size
    };
    struct Links {
        int32_t left = -1, right = -1;
    };

    // Small maps (every section of a song) find keys by scanning and work out their trees when
    // visited, rather than keep a slot table and links.
    static constexpr size_t smallSize = 16;
    static constexpr size_t firstSlotCount = 97;

    std::vector<Node> nodes; // in insertion order
    std::shared_ptr<const std::string> shared;
    // While the map is small: a bit for each key's hash, so most keys it lacks are known
    // absent without a scan.
    uint64_t smallHashes = 0;
    // What the maps of a song's notes seldom need, made when first needed.
    struct Spill {
        std::string bytes;          // the keys and values that do not view the shared text
        std::vector<int32_t> roots; // once large: one tree root per slot, -1 when empty
        std::vector<Links> links;   // once large: each node's subtrees
    };
    std::unique_ptr<Spill> spill;

    bool large() const { return nodes.size() > smallSize; }

    Spill &spilled() {
        if (!spill)
            spill = std::make_unique<Spill>();
        return *spill;
    }

    // h = h * 11 + byte over the key, four bytes a step: a shorter chain of multiplications.
    static uint32_t hash(std::string_view key) {
        const auto *b = reinterpret_cast<const unsigned char *>(key.data());
        const size_t size = key.size();
        uint32_t h = 0;
        size_t i = 0;
        for (; i + 4 <= size; i += 4)
            h = h * 14641u + b[i] * 1331u + b[i + 1] * 121u + b[i + 2] * 11u + b[i + 3];
        for (; i < size; ++i)
            h = h * 11u + b[i];
        return h;
    }

    // The size of text, refused from limit on.
    static uint32_t checkedSize(std::string_view text, uint32_t limit, const char *refusal) {
        if (text.size() >= limit)
            throw std::length_error(refusal);
        return static_cast<uint32_t>(text.size());
    }
    static uint32_t keySize(std::string_view key) {
        return checkedSize(key, afterSeparator, "EntryMap holds keys of less than 1 GiB");
    }
    static uint32_t valueSize(std::string_view value) {
        return checkedSize(value, inShared, "EntryMap holds values of less than 2 GiB");
    }

    // Where the shared text and the spilled bytes start, null for those the map lacks.
    struct Bases {
        const char *shared, *spilled;
    };
    Bases currentBases() const {
        return {shared ? shared->data() : nullptr, spill ? spill->bytes.data() : nullptr};
    }

    static const char *keyData(const Node &node, Bases bases) {
        return (node.keyBits & inShared ? bases.shared : bases.spilled) + node.offset;
    }

    static std::string_view keyOf(const Node &node, Bases bases) {
        return {keyData(node, bases), node.keyBits & sizeMask};
    }
    std::string_view keyOf(const Node &node) const { return keyOf(node, currentBases()); }

    std::string_view valueOf(const Node &node) const { return valueOf(node, currentBases()); }
    static std::string_view valueOf(const Node &node, Bases bases) {
        return {keyData(node, bases) + (node.keyBits & sizeMask) +
                    (node.keyBits & afterSeparator ? 1 : 0),
                node.value};
    }

    bool viewsBytes(std::string_view text) const { return spill && viewsInto(spill->bytes, text); }

    // Places node's key and value in the shared text if they lie there as the
    // node can show them; says whether they did.
    bool sharedPlace(std::string_view key, std::string_view value, Node &node) const {
        if (!shared || !viewsInto(*shared, key) || key.size() > sizeMask)
            return false;
        const auto offset = static_cast<uint64_t>(key.data() - shared->data());
        if (offset > std::numeric_limits<uint32_t>::max())
            return false;
        uint32_t bits = static_cast<uint32_t>(key.size()) | inShared;
        const char *after = key.data() + key.size();
        if (!value.empty()) {
            if (!viewsInto(*shared, value) || (value.data() != after && value.data() != after + 1))
                return false;
            if (value.data() != after)
                bits |= afterSeparator;
        }
        node.offset = static_cast<uint32_t>(offset);
        node.keyBits = bits;
        return true;
    }

    // Copies key and value, one after the other, to the end of the spilled bytes,
    // where node then finds them. Neither may view those bytes.
    void copyIn(std::string_view key, std::string_view value, Node &node) {
        const uint32_t size = keySize(key);
        std::string &bytes = spilled().bytes;
        // Counted in 64 bits: a 32-bit size_t could wrap.
        if (uint64_t{bytes.size()} + key.size() + value.size() >
            std::numeric_limits<uint32_t>::max())
            throw std::length_error("EntryMap holds at most 4 GiB of keys and values");
        node.offset = static_cast<uint32_t>(bytes.size());
        node.keyBits = size;
        bytes.append(key).append(value);
    }

    void replace(Node &node, std::string_view value) {
        const uint32_t size = valueSize(value);
        // A value no longer than the one it replaces in the spilled bytes takes its place; it
        // may view that place itself.
        if (!(node.keyBits & inShared) && size <= node.value) {
            if (size > 0) // copied values follow their keys directly
                std::memmove(spill->bytes.data() + node.offset + node.keyBits, value.data(), size);
            node.value = size;
            return;
        }
        // Otherwise key and value go to the end of the spilled bytes, by way of copies when
        // they view them.
        std::string_view key = keyOf(node);
        if (viewsBytes(key) || viewsBytes(value)) {
            const std::string keyCopy(key), valueCopy(value);
            copyIn(keyCopy, valueCopy, node);
        } else {
            copyIn(key, value, node);
        }
        node.value = size;
    }

    // What set does, in every case; h is key's hash.
    [[gnu::noinline]] void setAny(uint32_t h, std::string_view key, std::string_view value) {
        if (int32_t i = find(h, key); i >= 0)
            return replace(nodes[i], value);
        Node node{h, 0, 0, valueSize(value)};
        if (!sharedPlace(key, value, node)) {
            // Copying the one in may move the bytes that the other views.
            if (viewsBytes(key) || viewsBytes(value))
                return setAny(h, std::string(key), std::string(value));
            copyIn(key, value, node);
        }
        nodes.push_back(node);
        const auto added = static_cast<int32_t>(nodes.size() - 1);
        if (nodes.size() > smallSize + 1) {
            spill->links.emplace_back();
            insert(spill->roots[h % spill->roots.size()], spill->links.data(), added);
            if (nodes.size() > 4 * spill->roots.size())
                grow();
        } else if (nodes.size() > smallSize) {
            indexSlots();
        } else {
            smallHashes |= hashBit(h);
        }
    }

    // Orders by hash, then bytes taken as signed, a proper prefix first.
    static int compare(uint32_t ha, std::string_view a, uint32_t hb, std::string_view b) {
        if (ha != hb)
            return ha < hb ? -1 : 1;
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            auto x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }

    static uint64_t hashBit(uint32_t h) { return uint64_t{1} << (h % 64); }

    int32_t find(uint32_t h, std::string_view key) const {
        if (!large()) {
            if (!(smallHashes & hashBit(h)))
                return -1;
            for (size_t i = 0; i < nodes.size(); ++i) {
                if (nodes[i].hash == h && keyOf(nodes[i]) == key)
                    return static_cast<int32_t>(i);
            }
            return -1;
        }
        int32_t i = spill->roots[h % spill->roots.size()];
        while (i >= 0) {
            int c = compare(h, key, nodes[i].hash, keyOf(nodes[i]));
            if (c == 0)
                return i;
            i = c < 0 ? spill->links[i].left : spill->links[i].right;
        }
        return -1;
    }

    // Hangs node i, whose key the tree lacks, in the tree at root.
    void insert(int32_t &root, Links *tree, int32_t i) const {
        int32_t *at = &root;
        while (*at >= 0) {
            const Node &node = nodes[*at];
            bool left = compare(nodes[i].hash, keyOf(nodes[i]), node.hash, keyOf(node)) < 0;
            at = left ? &tree[*at].left : &tree[*at].right;
        }
        *at = i;
    }

    // Calls f(i) for the tree at root, node before left subtree before right subtree; stack
    // has room for every node.
    template <class F> static void walk(int32_t root, const Links *tree, int32_t *stack, F &f) {
        if (tree[root].left < 0 && tree[root].right < 0)
            return f(root); // the usual tree of a small map: one node
        size_t top = 0;
        stack[top++] = root;
        while (top > 0) {
            int32_t i = stack[--top];
            f(i);
            if (tree[i].right >= 0)
                stack[top++] = tree[i].right;
            if (tree[i].left >= 0)
                stack[top++] = tree[i].left;
        }
    }

    // Calls f(i) for every node, in entry order.
    template <class F> void visit(F &&f) const {
        if (large()) {
            std::vector<int32_t> stack(nodes.size());
            for (int32_t root : spill->roots) {
                if (root >= 0)
                    walk(root, spill->links.data(), stack.data(), f);
            }
            return;
        }
        // The trees of a small map, built as they would have grown: in insertion order.
        std::array<int32_t, firstSlotCount> root; // read only where used
        std::array<uint64_t, (firstSlotCount + 63) / 64> used{};
        std::array<Links, smallSize> tree;
        for (size_t i = 0; i < nodes.size(); ++i) {
            uint32_t slot = nodes[i].hash % firstSlotCount;
            uint64_t bit = uint64_t{1} << (slot % 64);
            if (used[slot / 64] & bit) {
                insert(root[slot], tree.data(), static_cast<int32_t>(i));
            } else {
                root[slot] = static_cast<int32_t>(i);
                used[slot / 64] |= bit;
            }
        }
        std::array<int32_t, smallSize> stack;
        for (size_t word = 0; word < used.size(); ++word) {
            for (uint64_t bits = used[word]; bits != 0; bits &= bits - 1)
                walk(root[word * 64 + std::countr_zero(bits)], tree.data(), stack.data(), f);
        }
    }

    // Gives a map that outgrew scanning its slot table and links, hanging the nodes in
    // insertion order as the small map's trees were worked out.
    void indexSlots() {
        spilled().roots.assign(firstSlotCount, -1);
        spill->links.assign(nodes.size(), Links{});
        for (size_t i = 0; i < nodes.size(); ++i) {
            insert(spill->roots[nodes[i].hash % firstSlotCount], spill->links.data(),
                   static_cast<int32_t>(i));
        }
    }

    // Past four keys a slot, the slots grow to the first of these primes that is at least the
    // number of keys; the nodes are hung again in the order they were visited.
    void grow() {
        static constexpr size_t slotCounts[] = {389,      1543,      6151,      24593,
                                                98317,    393241,    1572869,   6291469,
                                                25165843, 100663319, 402653189, 1610612741};
        size_t next = spill->roots.size();
        for (size_t count : slotCounts) {
            next = count;
            if (count >= nodes.size())
                break;
        }
        std::vector<int32_t> order;
        order.reserve(nodes.size());
        visit([&](int32_t i) { order.push_back(i); });
        spill->roots.assign(next, -1);
        spill->links.assign(nodes.size(), Links{});
        for (int32_t i : order)
            insert(spill->roots[nodes[i].hash % next], spill->links.data(), i);
    }
};
