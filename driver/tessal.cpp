#include "driver/tessal.h"

#include "driver/dir_name.h"
#include "driver/rewrite_lyrics.h"
#include "log/log.h"
#include "log/timestamp.h"
#include "platform/platform.h"
#include "settings/setting_data.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

namespace tessal {

Log *runLog = nullptr;

namespace {

// Kept until the process ends; no destructor runs for them.
SettingData *settings = nullptr;
InoutData *model = nullptr;

void guardedRun(const std::vector<std::string> &arguments) {
    // The settings are looked up through the lossless path; the log shows the ANSI forms.
    const std::string executableDir = dirName(platform::executablePath());
    const std::string executableDirAnsi = platform::utf8ToAnsi(executableDir);
    runLog->writeLine("Execute file name: " + platform::executablePathAnsi());
    runLog->writeLine("Execute file dir: " + executableDirAnsi);

    try {
        settings = new SettingData(executableDir + "\\tessalini.txt");
    } catch (const Exception &e) {
        runLog->writeLine("Failed to open setting file. - " + platform::utf8ToAnsi(e.description()));
    }

    std::vector<std::string> vowels;
    if (settings && settings->entries.contains("vowels") && !settings->entries.at("vowels").empty())
        vowels = settings->entries.at("vowels");
    std::string vowelLine = "Vowels: ";
    for (size_t i = 0; i < vowels.size(); ++i)
        vowelLine += (i ? " " : "") + vowels[i];
    runLog->writeLine(vowelLine);

    if (arguments.size() < 2)
        runLog->error("Can't read command line.");
    runLog->writeLine("Temporary file name: " + platform::utf8ToAnsi(arguments[1]));

    // Read and saved at the argument as received: a name the ANSI code page cannot hold
    // still names the file.
    try {
        model = new InoutData(arguments[1]);
    } catch (const Exception &e) {
        runLog->error("Failed to open temporary file. - " + platform::utf8ToAnsi(e.description()));
    }
    runLog->writeLine("Temporary file read.");

    // A host keeps its notes as they are when the file's bytes did not change; a rewritten file
    // makes it read them back from the text, which cannot carry all that a note holds.
    if (rewriteLyrics(model->notes, vowels))
        model->save();
}

} // namespace

int run(const std::vector<std::string> &arguments) {
    runLog = new Log("tessal.log", false);
    runLog->writeLine("Add Tessal after R");
    runLog->writeLine(timestampText(platform::now()));
    runLog->writeLine("");

    try {
        guardedRun(arguments);
    } catch (...) {
        // The failure that ended the run is the one to report, even if the log fails now.
        try {
            runLog->writeLine("Unsuccessful Program Termination. ");
            runLog->flush();
        } catch (...) {
        }
        throw;
    }
    runLog->writeLine("Successful Program Termination.");
    runLog->flush();
    return 0;
}

} // namespace tessal
