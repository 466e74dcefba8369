#pragma once

class Log;

// The log that the settings module reports its loading to; none unless the embedding program
// attaches one (the plug-in run does not).
extern Log *settingLog;
