#pragma once

#include "support/failure.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// A string-keyed map that visits its keys in the host file's entry order: keys hash into
// slots (97 at first), visited from slot 0 upwards; each slot is a binary search tree built
// in first-insertion order and visited node, left subtree, right subtree. Replacing a value
// keeps the key's place.
//
// A song holds a map per note, so the map is kept compact: keys, and string values, are
// bytes in one buffer per map, and a string value is read as a view into it, valid until the
// map next changes.
template <class V> class EntryMap {
    static constexpr bool valueInBytes = std::is_same_v<V, std::string>;

  public:
    EntryMap() = default;
    EntryMap(const EntryMap &other)
        : nodes(other.nodes), bytes(other.bytes),
          index(other.index ? std::make_unique<Index>(*other.index) : nullptr) {}
    EntryMap(EntryMap &&) noexcept = default;
    EntryMap &operator=(const EntryMap &other) { return *this = EntryMap(other); }
    EntryMap &operator=(EntryMap &&) noexcept = default;

    using ValueRef = std::conditional_t<valueInBytes, std::string_view, const V &>;
    using ValueArg = std::conditional_t<valueInBytes, std::string_view, V>;

    bool contains(std::string_view key) const { return find(hash(key), key) >= 0; }

    // Throws Error "Range violation" naming the caller's place when key is missing.
    ValueRef at(std::string_view key,
                SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) const {
        int32_t i = find(hash(key), key);
        if (i < 0)
            throw rangeViolation(where);
        return valueOf(nodes[i]);
    }

    // Inserts key, or replaces its value in place.
    void set(std::string_view key, ValueArg value) {
        // Adding bytes may move the buffer that key or value views.
        if constexpr (valueInBytes) {
            if (viewsBytes(key) || viewsBytes(value))
                return set(std::string(key), std::string(value));
        } else if (viewsBytes(key)) {
            return set(std::string(key), std::move(value));
        }
        uint32_t h = hash(key);
        if (int32_t i = find(h, key); i >= 0)
            return replace(nodes[i], std::move(value));
        if constexpr (valueInBytes)
            nodes.push_back(Node{h, append(key, value), size32(key), size32(value)});
        else
            nodes.push_back(Node{h, append(key, {}), size32(key), std::move(value)});
        const auto added = static_cast<int32_t>(nodes.size() - 1);
        if (index) {
            index->links.emplace_back();
            insert(index->roots[h % index->roots.size()], index->links.data(), added);
            if (nodes.size() > 4 * index->roots.size())
                grow();
        } else if (nodes.size() > smallSize) {
            indexSlots();
        }
    }

    // Makes room for this many more keys, holding this many more bytes of keys and values.
    void reserve(size_t moreKeys, size_t moreBytes) {
        nodes.reserve(nodes.size() + moreKeys);
        bytes.reserve(bytes.size() + moreBytes);
    }

    size_t size() const { return nodes.size(); }
    // The bytes kept for keys and string values, those of replaced values included: at least
    // the bytes of the keys and values that forEach gives.
    size_t byteSize() const { return bytes.size(); }
    bool empty() const { return nodes.empty(); }

    // Calls f(key, value) for every key, in entry order.
    template <class F> void forEach(F &&f) const {
        visit([&](int32_t i) { f(keyOf(nodes[i]), valueOf(nodes[i])); });
    }

  private:
    struct Node {
        uint32_t hash;
        uint32_t offset; // the key's first byte in bytes; a string value's bytes follow the key
        uint32_t keySize;
        std::conditional_t<valueInBytes, uint32_t, V> value; // a string value: its size
    };
    struct Links {
        int32_t left = -1, right = -1;
    };

    // Small maps (every section of a song) find keys by scanning and work out their trees when
    // visited, rather than keep a slot table and links.
    static constexpr size_t smallSize = 16;
    static constexpr size_t firstSlotCount = 97;

    std::vector<Node> nodes; // in insertion order
    std::string bytes;
    struct Index {
        std::vector<int32_t> roots; // one tree root per slot, -1 when empty
        std::vector<Links> links;   // each node's subtrees
    };
    std::unique_ptr<Index> index; // once large

    static uint32_t hash(std::string_view key) {
        uint32_t h = 0;
        for (unsigned char b : key)
            h = h * 11 + b;
        return h;
    }

    static uint32_t size32(std::string_view text) { return static_cast<uint32_t>(text.size()); }

    std::string_view keyOf(const Node &node) const {
        return {bytes.data() + node.offset, node.keySize};
    }

    ValueRef valueOf(const Node &node) const {
        if constexpr (valueInBytes)
            return {bytes.data() + node.offset + node.keySize, node.value};
        else
            return node.value;
    }

    bool viewsBytes(std::string_view text) const {
        std::less_equal<const char *> notAfter;
        return notAfter(bytes.data(), text.data()) &&
               notAfter(text.data(), bytes.data() + bytes.size());
    }

    // Adds key and value at the end of bytes; returns where they start.
    uint32_t append(std::string_view key, std::string_view value) {
        // Counted in 64 bits: a 32-bit size_t could wrap.
        if (uint64_t{bytes.size()} + key.size() + value.size() >
            std::numeric_limits<uint32_t>::max())
            throw std::length_error("EntryMap holds at most 4 GiB of keys and values");
        auto offset = static_cast<uint32_t>(bytes.size());
        bytes.append(key).append(value);
        return offset;
    }

    void replace(Node &node, ValueArg value) {
        if constexpr (valueInBytes) {
            // A longer value no longer fits after its key: both go to the end of bytes.
            if (value.size() > node.value)
                node.offset = append(std::string(keyOf(node)), value);
            else
                std::memcpy(bytes.data() + node.offset + node.keySize, value.data(), value.size());
            node.value = size32(value);
        } else {
            node.value = std::move(value);
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

    int32_t find(uint32_t h, std::string_view key) const {
        if (!index) {
            for (size_t i = 0; i < nodes.size(); ++i) {
                if (nodes[i].hash == h && keyOf(nodes[i]) == key)
                    return static_cast<int32_t>(i);
            }
            return -1;
        }
        int32_t i = index->roots[h % index->roots.size()];
        while (i >= 0) {
            int c = compare(h, key, nodes[i].hash, keyOf(nodes[i]));
            if (c == 0)
                return i;
            i = c < 0 ? index->links[i].left : index->links[i].right;
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
        if (index) {
            std::vector<int32_t> stack(nodes.size());
            for (int32_t root : index->roots) {
                if (root >= 0)
                    walk(root, index->links.data(), stack.data(), f);
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
        index = std::make_unique<Index>();
        index->roots.assign(firstSlotCount, -1);
        index->links.assign(nodes.size(), Links{});
        for (size_t i = 0; i < nodes.size(); ++i) {
            insert(index->roots[nodes[i].hash % firstSlotCount], index->links.data(),
                   static_cast<int32_t>(i));
        }
    }

    // Past four keys a slot, the slots grow to the first of these primes that is at least the
    // number of keys; the nodes are hung again in the order they were visited.
    void grow() {
        static constexpr size_t slotCounts[] = {389,      1543,      6151,      24593,
                                                98317,    393241,    1572869,   6291469,
                                                25165843, 100663319, 402653189, 1610612741};
        size_t next = index->roots.size();
        for (size_t count : slotCounts) {
            next = count;
            if (count >= nodes.size())
                break;
        }
        std::vector<int32_t> order;
        order.reserve(nodes.size());
        visit([&](int32_t i) { order.push_back(i); });
        index->roots.assign(next, -1);
        index->links.assign(nodes.size(), Links{});
        for (int32_t i : order)
            insert(index->roots[nodes[i].hash % next], index->links.data(), i);
    }
};
