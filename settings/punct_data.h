#pragma once

#include "support/lookup_map.h"

#include <string>

// A table of punctuation aliases: lines of a punctuation text, a tab and the text that stands
// for it. Nothing in the run loads one; kept for rules that map punctuation.
class PunctData {
  public:
    PunctData() = default;
    virtual ~PunctData() = default;

    LookupMap<std::string> aliases;

    // Adds the file's pairs, a later line replacing an equal key; lines without a tab store
    // nothing. With settingLog attached, all pairs are reported on one pending line.
    virtual void load(const std::string &path);
};
