#pragma once

#include "support/entry_map.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One section of the host's temporary file: its header name, its key=value entries and the
// letters of its "Flags" entry taken apart.
class Session {
  public:
    Session() = default;
    explicit Session(std::string name);
    virtual ~Session() = default;

    std::string name;
    EntryMap<std::string> entries; // every entry but "Flags"
    EntryMap<std::string> flags;   // flag letter to value
    std::unique_ptr<Session> follower;

    virtual void parseLines(const std::vector<std::string_view> &lines);
    // The header, the entries in entry order, "Flags=" with the flags, then the follower.
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
