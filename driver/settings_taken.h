#pragma once

#include "settings/setting_data.h"

#include <string>
#include <string_view>
#include <vector>

// The items stored under key, or none when there are no settings or no such key.
std::vector<std::string> setting(const SettingData *settings, std::string_view key);

// A switch is on when its line says exactly key=1.
bool switchedOn(const SettingData *settings, std::string_view key);

// The log's lines for the settings as taken, in the log's encoding: "Vowels: " and the items;
// each switch, on or off, naming a value that was not taken; each key that is not ours; each
// vowel item that holds a separator typed by mistake.
std::vector<std::string> settingLines(const SettingData *settings);
