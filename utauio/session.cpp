#include "utauio/session.h"

Session::Session(std::string name) : name(std::move(name)) {}

bool isHeaderLine(std::string_view line) {
    return line.size() >= 3 && line.starts_with("[#") && line.back() == ']';
}

void Session::parseLines(const std::vector<std::string> &lines) {
    for (const std::string &line : lines)
        parseLine(line);
}

std::vector<std::string> Session::toLines() const {
    std::vector<std::string> lines;
    lines.reserve(entries.size() + 2);
    lines.push_back("[#" + name + "]");
    entries.forEach([&](std::string_view key, const std::string &value) {
        std::string line;
        line.reserve(key.size() + 1 + value.size());
        line.append(key).append("=").append(value);
        lines.push_back(std::move(line));
    });
    lines.push_back("Flags=" + flagsText());
    if (follower) {
        for (std::string &line : follower->toLines())
            lines.push_back(std::move(line));
    }
    return lines;
}

std::unique_ptr<Session> Session::clone() const {
    auto copy = std::make_unique<Session>(name);
    entries.forEach([&](std::string_view key, const std::string &value) { copy->entries.set(key, value); });
    flags.forEach([&](std::string_view key, const std::string &value) { copy->flags.set(key, value); });
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
    if (key == "Flags")
        parseFlags(value);
    else
        entries.set(key, std::string(value));
}

static bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void Session::parseFlags(std::string_view text) {
    size_t start = text.size(); // the pending flag's letter; none yet
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isAsciiLetter(text[i]))
            continue;
        if (start < i)
            flags.set(text.substr(start, 1), std::string(text.substr(start + 1, i - start - 1)));
        start = i;
    }
}

std::string Session::flagsText() const {
    std::string text;
    flags.forEach([&](std::string_view letter, const std::string &value) {
        text.append(letter).append(value);
    });
    return text;
}
