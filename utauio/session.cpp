#include "utauio/session.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

Session::Session(std::string name) : name(std::move(name)) {}

void Session::parseLines(const std::vector<std::string_view> &lines) {
    // Room for every line as an entry, so a note's entries take one allocation, not several;
    // "Flags" lines go to the flags instead.
    size_t entryLines = 0, bytes = 0;
    for (std::string_view line : lines) {
        if (!line.starts_with("Flags=")) {
            ++entryLines;
            bytes += line.size();
        }
    }
    entries.reserve(entryLines, bytes);
    for (std::string_view line : lines)
        parseLine(line);
}

// Calls line(a, b, c) for each line a + b + c: the header, the entries, the flags, then the
// follower's lines.
template <class F> void Session::visitLines(F &&line) const {
    line("[#", name, "]");
    entries.forEach([&](std::string_view key, std::string_view value) { line(key, "=", value); });
    line("Flags=", flagsValue, "");
    if (follower)
        follower->visitLines(line);
}

std::vector<std::string> Session::toLines() const {
    std::vector<std::string> lines;
    visitLines([&](std::string_view a, std::string_view b, std::string_view c) {
        lines.emplace_back().append(a).append(b).append(c);
    });
    return lines;
}

void Session::appendText(std::string &text) const {
    // Sized once and filled through a pointer: appending piece by piece costs a library call
    // for each of the four pieces of every line.
    const size_t start = text.size();
    text.resize(start + textSize());
    char *out = text.data() + start;
    const char *const end = text.data() + text.size();
    auto put = [](char *to, std::string_view piece) {
        if (piece.size() == 1) // an "=" or a "]": not worth a call
            *to = piece[0];
        else if (!piece.empty())
            std::memcpy(to, piece.data(), piece.size());
        return to + piece.size();
    };
    visitLines([&](std::string_view a, std::string_view b, std::string_view c) {
        if (a.size() + b.size() + c.size() + 2 > static_cast<size_t>(end - out))
            throw std::logic_error("Session text is larger than its size");
        char *to = put(put(put(out, a), b), c);
        to[0] = '\r';
        to[1] = '\n';
        out = to + 2;
    });
    if (out != end)
        throw std::logic_error("Session text is smaller than its size");
}

size_t Session::textSize() const {
    // Exact. Each line with CR LF: "[#" name "]", key "=" value, "Flags=" flagsValue.
    size_t size = name.size() + 5 + entries.byteSize() + 3 * entries.size() + 8 + flagsValue.size();
    return follower ? size + follower->textSize() : size;
}

std::unique_ptr<Session> Session::clone() const {
    auto copy = std::make_unique<Session>(name);
    entries.forEach(
        [&](std::string_view key, std::string_view value) { copy->entries.set(key, value); });
    flags.forEach(
        [&](std::string_view key, std::string_view value) { copy->flags.set(key, value); });
    copy->flagsValue = flagsValue;
    if (follower)
        copy->follower = follower->clone();
    return copy;
}

void Session::parseLine(std::string_view line) {
    if (isHeaderLine(line)) {
        name = line.substr(2, line.size() - 3);
        return;
    }
    if (line.empty())
        return;
    // A line without an entry separator keeps every byte as its key, so nothing of it is
    // lost; the value is then empty.
    size_t equals = line.find('=', 1);
    std::string_view key = line.substr(0, equals);
    std::string_view value = equals == std::string_view::npos ? "" : line.substr(equals + 1);
    if (key == "Flags") {
        flagsValue = value;
        parseFlags(value);
    } else {
        entries.set(key, value);
    }
}

static bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void Session::parseFlags(std::string_view text) {
    // Room for every letter: a map grown one flag at a time allocates at each step.
    flags.reserve(static_cast<size_t>(std::count_if(text.begin(), text.end(), isAsciiLetter)), 0);
    size_t start = text.size(); // the pending flag's letter; none yet
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isAsciiLetter(text[i]))
            continue;
        if (start < i)
            flags.set(text.substr(start, 1), text.substr(start + 1, i - start - 1));
        start = i;
    }
}

std::string Session::flagsText() const {
    std::string text;
    flags.forEach([&](std::string_view letter, std::string_view value) {
        text.append(letter).append(value);
    });
    return text;
}
