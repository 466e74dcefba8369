#pragma once

#include "support/entry_map.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One section of the host's temporary file: its header name, its key=value entries and its
// "Flags" entry, kept as written and taken apart into its letters.
class Session {
  public:
    Session() = default;
    explicit Session(std::string name);
    virtual ~Session() = default;

    std::string name;
    EntryMap<std::string> entries; // every entry but "Flags"
    EntryMap<std::string> flags;   // flag letter to value
    // The value of the last "Flags" line, written back as it came: hosts and resamplers read
    // flags whose names have several letters ("Mt", "Hb"), which the letters cannot rebuild.
    std::string flagsValue;
    std::unique_ptr<Session> follower;

    virtual void parseLines(const std::vector<std::string_view> &lines);
    // The header, the entries in entry order, "Flags=" with flagsValue, then the follower.
    virtual std::vector<std::string> toLines() const;
    virtual std::unique_ptr<Session> clone() const;

    // Appends the lines of toLines() to text, each followed by CR LF.
    void appendText(std::string &text) const;
    // The bytes that appendText adds, found without walking the entries.
    size_t textSize() const;
    void parseLine(std::string_view line);
    void parseFlags(std::string_view text);
    std::string flagsText() const;

  private:
    template <class F> void visitLines(F &&line) const;
};

// "[#name]": at least three bytes, "[#" first and "]" last.
inline bool isHeaderLine(std::string_view line) {
    return line.size() >= 3 && line.starts_with("[#") && line.back() == ']';
}
