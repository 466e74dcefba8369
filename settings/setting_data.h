#pragma once

#include "support/lookup_map.h"

#include <string>
#include <string_view>
#include <vector>

// The items of a settings value: each comma ends one item, and the text after the last comma
// is always the final item, so there is at least one.
std::vector<std::string> splitItems(std::string_view value);

// The plug-in's key=value settings; a value is a comma-separated list. Keys are exact bytes.
class SettingData {
  public:
    SettingData() = default;
    // Announces the path on settingLog when attached, then loads; a failure leaves it.
    explicit SettingData(const std::string &path);
    virtual ~SettingData() = default;

    LookupMap<std::vector<std::string>> entries;
    // Whether the last file loaded said by its byte-order mark that it is Unicode: its entries
    // are UTF-8 text then.
    bool marked = false;

    // Adds the file's entries, a later line replacing an equal key. Nothing is trimmed and no
    // line is rejected; a line without "=" is a key with one empty item.
    virtual void load(const std::string &path);
};
