#pragma once

#include "utauio/entry_map.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One section of the host's temporary file: its header name, its key=value entries and its
// "Flags" entry.
class Session {
  public:
    Session() = default;
    explicit Session(std::string name);
    virtual ~Session() = default;

    std::string name;
    EntryMap entries; // every entry but "Flags"
    // The "Flags" line's value as the host wrote it: the one that is written back.
    std::string flagsValue;
    // A parsed view of the "Flags" values, letter to value, for rules that need single flags;
    // never written, so changing it changes nothing in the file.
    EntryMap flags;
    std::unique_ptr<Session> follower; // never set by this program

    virtual void parseLines(const std::vector<std::string_view> &lines);
    // The header, the entries in entry order, "Flags=" with flagsValue, then the follower.
    // Not called by the run, which writes through appendText; kept as the host model's interface.
    virtual std::vector<std::string> toLines() const;
    // Not called by the run; kept as the host model's interface.
    virtual std::unique_ptr<Session> clone() const;

    // Appends the lines of toLines() to text, each followed by CR LF.
    void appendText(std::string &text) const;
    // The bytes that appendText adds, found without walking the entries.
    size_t textSize() const;
    void parseLine(std::string_view line);
    void parseFlags(std::string_view text);
    // The letter map put together again; not what is written, which is flagsValue. Not called
    // by the run.
    std::string flagsText() const;

  private:
    template <class F> void visitLines(F &&line) const;
};

// "[#name]": at least three bytes, "[#" first and "]" last.
inline bool isHeaderLine(std::string_view line) {
    return line.size() >= 3 && line.starts_with("[#") && line.back() == ']';
}
