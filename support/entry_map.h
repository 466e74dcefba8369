#pragma once

#include "support/failure.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A string-keyed map that visits its keys in the host file's entry order: keys hash into
// slots (97 at first), visited from slot 0 upwards; each slot is a binary search tree built
// in first-insertion order and visited node, left subtree, right subtree. Replacing a value
// keeps the key's place.
template <class V> class EntryMap {
  public:
    bool contains(std::string_view key) const { return find(key) >= 0; }

    // Throws Error "Range violation" naming the caller's place when key is missing.
    const V &at(std::string_view key,
                SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) const {
        int32_t i = find(key);
        if (i < 0)
            throw rangeViolation(where);
        return nodes[i].value;
    }

    // Inserts key, or replaces its value in place.
    void set(std::string_view key, V value) {
        uint32_t h = hash(key);
        Place place = locate(h, key);
        if (place.found >= 0) {
            nodes[place.found].value = std::move(value);
            return;
        }
        attach(place, h % slotCount, static_cast<int32_t>(nodes.size()));
        nodes.push_back(Node{std::string(key), std::move(value), h});
        if (roots.empty() && nodes.size() > smallSize)
            indexSlots();
        else if (nodes.size() > 4 * slotCount)
            grow();
    }

    size_t size() const { return nodes.size(); }
    bool empty() const { return nodes.empty(); }

    // Calls f(key, value) for every key, in entry order.
    template <class F> void forEach(F &&f) const {
        for (int32_t i : visitOrder())
            f(std::string_view(nodes[i].key), nodes[i].value);
    }

  private:
    struct Node {
        std::string key;
        V value;
        uint32_t hash;
        int32_t left = -1, right = -1;
    };

    // Small maps (every section of a song) find keys by scanning rather than keep a slot table.
    static constexpr size_t smallSize = 16;

    std::vector<Node> nodes;
    std::vector<int32_t> roots; // one tree root per slot once the map is large; -1 when empty
    size_t slotCount = 97;

    static uint32_t hash(std::string_view key) {
        uint32_t h = 0;
        for (unsigned char b : key)
            h = h * 11 + b;
        return h;
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

    struct Place {
        int32_t found;  // the key's node, or -1
        int32_t parent; // where a missing key goes: under parent (-1: as the slot's root)
        bool left;
    };

    Place locate(uint32_t h, std::string_view key) const {
        int32_t i = rootOf(h % slotCount), parent = -1;
        bool left = false;
        while (i >= 0) {
            int c = compare(h, key, nodes[i].hash, nodes[i].key);
            if (c == 0)
                return {i, parent, left};
            parent = i;
            left = c < 0;
            i = left ? nodes[i].left : nodes[i].right;
        }
        return {-1, parent, left};
    }

    void attach(Place place, size_t slot, int32_t i) {
        if (place.parent >= 0)
            (place.left ? nodes[place.parent].left : nodes[place.parent].right) = i;
        else if (!roots.empty())
            roots[slot] = i;
    }

    int32_t rootOf(size_t slot) const {
        if (!roots.empty())
            return roots[slot];
        // Without a slot table the first node inserted into a slot is its root.
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].hash % slotCount == slot)
                return static_cast<int32_t>(i);
        }
        return -1;
    }

    int32_t find(std::string_view key) const { return locate(hash(key), key).found; }

    void indexSlots() {
        roots.assign(slotCount, -1);
        for (size_t i = 0; i < nodes.size(); ++i) {
            int32_t &root = roots[nodes[i].hash % slotCount];
            if (root < 0)
                root = static_cast<int32_t>(i);
        }
    }

    // Past four keys a slot, the slots grow to the first of these primes that is at least the
    // number of keys.
    void grow() {
        static constexpr size_t slotCounts[] = {389,      1543,      6151,      24593,    98317,
                                                393241,   1572869,   6291469,   25165843, 100663319,
                                                402653189, 1610612741};
        size_t next = slotCount;
        for (size_t count : slotCounts) {
            next = count;
            if (count >= nodes.size())
                break;
        }
        std::vector<int32_t> order = visitOrder();
        slotCount = next;
        roots.assign(slotCount, -1);
        for (int32_t i : order) {
            Node &node = nodes[i];
            node.left = node.right = -1;
            attach(locate(node.hash, node.key), node.hash % slotCount, i);
        }
    }

    std::vector<int32_t> visitOrder() const {
        std::vector<std::pair<size_t, int32_t>> slotRoots; // (slot, root)
        if (!roots.empty()) {
            for (size_t slot = 0; slot < roots.size(); ++slot) {
                if (roots[slot] >= 0)
                    slotRoots.emplace_back(slot, roots[slot]);
            }
        } else {
            for (size_t i = 0; i < nodes.size(); ++i) {
                size_t slot = nodes[i].hash % slotCount;
                bool first = true;
                for (auto &[s, r] : slotRoots)
                    first = first && s != slot;
                if (first)
                    slotRoots.emplace_back(slot, static_cast<int32_t>(i));
            }
            std::sort(slotRoots.begin(), slotRoots.end());
        }
        std::vector<int32_t> order;
        order.reserve(nodes.size());
        std::vector<int32_t> stack;
        for (auto &[slot, root] : slotRoots) {
            stack.push_back(root);
            while (!stack.empty()) {
                int32_t i = stack.back();
                stack.pop_back();
                order.push_back(i);
                if (nodes[i].right >= 0)
                    stack.push_back(nodes[i].right);
                if (nodes[i].left >= 0)
                    stack.push_back(nodes[i].left);
            }
        }
        return order;
    }
};
