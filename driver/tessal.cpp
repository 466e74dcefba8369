#include "driver/tessal.h"

#include "driver/dir_name.h"
#include "driver/rewrite_lyrics.h"
#include "log/log.h"
#include "log/timestamp.h"
#include "platform/platform.h"
#include "settings/setting_data.h"
#include "support/byte_forms.h"
#include "support/failure.h"
#include "utauio/inout_data.h"
#include "utauio/voice_bank.h"

#include <functional>
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

// The items stored under key, or none.
std::vector<std::string> setting(const SettingData *settings, const char *key) {
    if (settings && settings->entries.contains(key))
        return settings->entries.at(key);
    return {};
}

// A switch is on when its line says exactly key=1.
bool switchedOn(const SettingData *settings, const char *key) {
    return setting(settings, key) == std::vector<std::string>{"1"};
}

// Every form in which a lyric may match a vowel: a song may come in Shift-JIS or UTF-8 whatever
// the settings' encoding.
std::vector<std::string> vowelForms(const std::vector<std::string> &vowels) {
    std::vector<std::string> forms;
    for (const std::string &vowel : vowels) {
        std::vector<std::string> more = byteForms(vowel);
        forms.insert(forms.end(), more.begin(), more.end());
    }
    return forms;
}

// A path or a reason for the log: in the ANSI code page as far as that works, else as it is
// (a POSIX name need not be UTF-8).
std::string ansiForLog(const std::string &text) {
    try {
        return platform::utf8ToAnsi(text);
    } catch (const Exception &) {
        return text;
    }
}

// With checkbank, a prefix is written only where the voice bank may sing it: the bank is read
// on the first question, at most once, and each lyric is answered once. A bank that cannot be
// read whole takes no prefix away.
class BankCheck {
  public:
    explicit BankCheck(const InoutData &model) : model(model) {}

    bool operator()(const Session &note, std::string_view prefixed) {
        if (!read) {
            read = true;
            try {
                bank.emplace(voiceBankFolder(*model.setting, !model.leadingMark.empty()));
                runLog->writeLine("Voice bank: " + ansiForLog(bank->folder) + " (" +
                                  std::to_string(bank->nameCount()) + " names)");
            } catch (const Exception &e) {
                runLog->writeLine("Voice bank not read: " + ansiForLog(e.message));
            }
        }
        if (!bank)
            return true;
        auto [answer, asked] = answers.try_emplace(std::string(prefixed));
        if (asked)
            answer->second = bank->anyNameContains(prefixed);
        if (!answer->second)
            runLog->writeLine("Not in the voice bank: " + std::string(prefixed) + " [#" +
                              note.name + "]");
        return answer->second;
    }

  private:
    const InoutData &model;
    bool read = false;
    std::optional<VoiceBank> bank;
    std::map<std::string, bool, std::less<>> answers;
};

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

    const std::vector<std::string> vowels = setting(settings, "vowels");
    const bool checkPrev = switchedOn(settings, "checkprev");
    const bool checkBank = switchedOn(settings, "checkbank");
    std::string vowelLine = "Vowels: ";
    for (size_t i = 0; i < vowels.size(); ++i)
        vowelLine += (i ? " " : "") + vowels[i];
    runLog->writeLine(vowelLine);

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

    size_t changed = 0;
    try {
        BankCheck bankCheck(*model);
        changed = rewriteLyrics(model->notes, vowelForms(vowels), *model->prev, checkPrev,
                                checkBank ? PrefixCheck(std::ref(bankCheck)) : PrefixCheck());
    } catch (const Error &) {
        // The pass stops at the first note without a lyric: the user needs its name.
        for (const auto &note : model->notes) {
            if (!note->entries.contains("Lyric")) {
                logReason("No Lyric in note [#" + note->name + "].");
                break;
            }
        }
        throw;
    }
    runLog->writeLine("Lyrics changed: " + std::to_string(changed));

    // A host keeps its notes as they are when the file's bytes did not change; a rewritten file
    // makes it read them back from the text, which cannot carry all that a note holds.
    if (changed == 0)
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
