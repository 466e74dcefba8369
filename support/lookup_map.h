#pragma once

#include "support/failure.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

// A standard map, for tables whose order reaches no file, whose at() fails as every lookup of
// the plug-in does: Error "Range violation" naming the caller's place when key is missing.
template <class V> struct LookupMap : std::map<std::string, V, std::less<>> {
    const V &at(std::string_view key,
                SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) const {
        auto found = this->find(key);
        if (found == this->end())
            throw rangeViolation(where);
        return found->second;
    }
};
