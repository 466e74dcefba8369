#include "driver/tessal.h"

#include "driver/dir_name.h"
#include "driver/log_text.h"
#include "driver/rewrite_lyrics.h"
#include "driver/settings_taken.h"
#include "log/log.h"
#include "log/timestamp.h"
#include "platform/platform.h"
#include "settings/setting_data.h"
#include "support/byte_forms.h"
#include "support/failure.h"
#include "utauio/inout_data.h"
#include "utauio/voice_bank.h"

#include <map>
#include <optional>

namespace tessal {

namespace {

const std::string failedVerdict = "Unsuccessful Program Termination. ";

Log *runLog = nullptr;
// Whether the log already tells why the run fails.
bool reasonLogged = false;

// The reason for a failure raised elsewhere, which goes on with its own kind for the report;
// the run's own failures go through fail below, as Log::error throws an Error of its own.
void logReason(const std::string &reason) {
    reasonLogged = true;
    runLog->writeLine(std::string(Log::errorPrefix) + reason);
}

// Leaves the reason pending in the log and throws the fatal Error.
void fail(const std::string &reason) {
    reasonLogged = true;
    runLog->error(reason);
}

// Every form in which a lyric may match a vowel: a song may come in Shift-JIS, UTF-8 or the
// ANSI code page whatever the settings' encoding.
std::vector<std::string> vowelForms(const std::vector<std::string> &vowels) {
    std::vector<std::string> forms;
    for (const std::string &vowel : vowels) {
        std::vector<std::string> more = byteForms(vowel);
        forms.insert(forms.end(), more.begin(), more.end());
    }
    return forms;
}

// With checkbank, a prefix is written only where the voice bank may sing it, each prefixed
// lyric asked once. A bank that cannot be read whole takes no prefix away.
void keepWhatTheBankCannotSing(const InoutData &model, std::vector<LyricRewrite> &rewrites) {
    std::optional<VoiceBank> bank;
    try {
        bank.emplace(voiceBankFolder(model));
    } catch (const Exception &e) {
        runLog->writeLine("Voice bank not read: " + ansiForLog(e.message));
        runLog->writeLine("Without the voice bank, every vowel after a rest gets \"- \".");
        return;
    }
    runLog->writeLine("Voice bank: " + ansiForLog(bank->folder) + " (" +
                      std::to_string(bank->nameCount()) + " names)");
    std::map<std::string, bool> answers; // copies: the rewrites move as they are erased
    std::erase_if(rewrites, [&](const LyricRewrite &rewrite) {
        auto [answer, asked] = answers.try_emplace(rewrite.lyric);
        if (asked)
            answer->second = bank->anyNameContains(rewrite.lyric);
        if (!answer->second)
            runLog->writeLine(
                "Not in the voice bank: " + quotedForLog(rewrite.lyric, model.markedUtf8()) +
                " [#" + quotedForLog(rewrite.note->name, model.markedUtf8()) + "]");
        return !answer->second;
    });
}

void guardedRun(const std::vector<std::string> &arguments) {
    // The settings are looked up through the lossless path; the log shows the ANSI forms.
    const std::string executableDir = dirName(platform::executablePath());
    const std::string executableDirAnsi = platform::utf8ToAnsi(executableDir);
    runLog->writeLine("Execute file name: " + platform::executablePathAnsi());
    runLog->writeLine("Execute file dir: " + executableDirAnsi);

    // Neither the settings nor the model is ever freed: freeing a large song's model would
    // only keep the host waiting for the exit.
    SettingData *settings = nullptr;
    try {
        settings = new SettingData(executableDir + platform::pathSeparator + "tessalini.txt");
    } catch (const Exception &e) {
        runLog->writeLine("Failed to open setting file. - " +
                          platform::utf8ToAnsi(e.description()));
    }

    for (const std::string &line : settingLines(settings))
        runLog->writeLine(line);

    if (arguments.size() < 2)
        fail("Can't read command line.");
    runLog->writeLine("Temporary file name: " + platform::utf8ToAnsi(arguments[1]));

    // Read and saved at the argument as received: a name the ANSI code page cannot hold
    // still names the file.
    InoutData *model = nullptr;
    try {
        model = new InoutData(arguments[1]);
    } catch (const Exception &e) {
        fail("Failed to open temporary file. - " + platform::utf8ToAnsi(e.description()));
    }
    runLog->writeLine("Temporary file read.");

    std::vector<LyricRewrite> rewrites;
    try {
        rewrites = rewriteLyrics(model->notes, vowelForms(setting(settings, "vowels")),
                                 *model->prev, switchedOn(settings, "checkprev"));
    } catch (const Error &) {
        // The rule stops at the first note without a lyric: the user needs its name.
        for (const auto &note : model->notes) {
            if (!note->entries.contains("Lyric")) {
                logReason("No Lyric in note [#" + quotedForLog(note->name, model->markedUtf8()) +
                          "].");
                break;
            }
        }
        throw;
    }
    if (switchedOn(settings, "checkbank") && !rewrites.empty())
        keepWhatTheBankCannotSing(*model, rewrites);
    apply(rewrites);
    runLog->writeLine("Lyrics changed: " + std::to_string(rewrites.size()));

    // A host keeps its notes as they are when the file's bytes did not change; a rewritten file
    // makes it read them back from the text, which cannot carry all that a note holds.
    if (rewrites.empty())
        return;
    try {
        model->save();
    } catch (const Exception &e) {
        logReason("Failed to save temporary file. - " + platform::utf8ToAnsi(e.description()));
        throw;
    }
}

// The reason for a failure the run did not name itself.
void logUnnamedReason() {
    if (!reasonLogged)
        logReason(ansiForLog(currentFailure().description()));
}

} // namespace

int run(const std::vector<std::string> &arguments) {
    // Never freed: the log's destructor would add a line at exit.
    runLog = new Log("tessal.log", false);
    reasonLogged = false;
    runLog->writeLine("Add Tessal after R");
    runLog->writeLine(timestampText(platform::now()));
    runLog->writeLine("");
    const std::string end(Log::lineEnd);
    platform::logMachineFaults(runLog->fileName, {std::string(Log::errorPrefix) + "Error: ",
                                                  end + failedVerdict + end + end});

    try {
        guardedRun(arguments);
    } catch (...) {
        // The failure that ended the run is the one to report, even if the log fails now.
        try {
            logUnnamedReason();
        } catch (...) {
        }
        try {
            runLog->writeLine(failedVerdict);
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
