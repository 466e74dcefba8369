#include "utauio/voice_bank.h"

#include "platform/platform.h"
#include "support/byte_forms.h"
#include "support/cp932.h"
#include "support/failure.h"
#include "support/lines.h"
#include "support/utf8.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace {

Exception notRead(const std::string &reason) { return Exception("Exception", reason); }

// A count of bytes as people read it: N MiB, N KiB or N bytes.
std::string bytesText(unsigned long long bytes) {
    if (bytes % (1 << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

// operation(path); when that fails, an Exception saying that path could not be read and the
// system's reason.
template <class Operation> auto readOrThrow(Operation operation, const std::string &path) {
    try {
        return operation(path);
    } catch (const Exception &e) {
        // The texts of Windows end in a full stop ("." or "。"), those of POSIX do not.
        const std::string_view text = e.systemText;
        const char *end = text.ends_with('.') || text.ends_with("\xE3\x80\x82") ? "" : ".";
        throw notRead(path + " could not be read: " + e.systemText + end);
    }
}

// The text of the oto.ini at path, whose bytes are added to total, the bytes of those read
// before; past limit none is read.
std::string readOtoIni(const std::string &path, unsigned long long &total,
                       unsigned long long limit) {
    if ((total += readOrThrow(platform::fileSize, path)) > limit)
        throw notRead("more than " + bytesText(limit) + " of oto.ini text.");
    return readOrThrow(platform::readWhole, path);
}

// Whether name ends in ending, ASCII letters in any case, as the file systems of Windows match.
bool endsWithAnyCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(
               ending.begin(), ending.end(), name.end() - ending.size(), [](char want, char got) {
                   return got == want || (want >= 'a' && want <= 'z' && got == want - 'a' + 'A');
               });
}

// The characters that continue the syllable before them, in every byte form a name may hold
// them in: the small kana (hiragana, katakana, half-width) and the voicing marks (spacing,
// combining, half-width).
const std::vector<std::string> &continuations() {
    static const std::vector<std::string> forms = [] {
        std::vector<char32_t> characters{0x3099, 0x309A, 0x309B, 0x309C, 0xFF9E, 0xFF9F};
        for (char32_t small : {0x3041, 0x3043, 0x3045, 0x3047, 0x3049, 0x3063, 0x3083, 0x3085,
                               0x3087, 0x308E}) // ぁぃぅぇぉっゃゅょゎ
            characters.insert(characters.end(), {small, small + 0x60}); // and ァ to ヮ
        for (char32_t c = 0xFF67; c <= 0xFF6F; ++c)                     // ｧ to ｯ
            characters.push_back(c);
        std::vector<std::string> all;
        for (char32_t c : characters) {
            std::string utf8;
            appendUtf8(utf8, c);
            for (std::optional<std::string> form : {utf8ToCp932(utf8), platform::ansiForm(utf8)})
                if (form)
                    all.push_back(std::move(*form));
            all.push_back(std::move(utf8));
        }
        return all;
    }();
    return forms;
}

} // namespace

std::vector<std::string_view> otoAliases(std::string_view text) {
    std::vector<std::string_view> aliases;
    forEachLine(withoutByteOrderMark(text), [&](std::string_view line) {
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return;
        std::string_view alias = line.substr(equals + 1);
        alias = alias.substr(0, alias.find(','));
        if (alias.empty()) {
            const std::string_view file = line.substr(0, equals);
            alias = file.substr(0, std::min(file.rfind('.'), file.size()));
        }
        aliases.push_back(alias);
    });
    return aliases;
}

std::string voiceBankFolder(const InoutData &song) {
    const Session &setting = *song.setting;
    if (!setting.entries.contains("VoiceDir"))
        throw notRead("no VoiceDir in the settings section.");
    const std::string_view value = setting.entries.at("VoiceDir");
    if (value.empty())
        throw notRead("VoiceDir is empty.");
    const size_t percent = value.find('%');
    if (percent != std::string_view::npos && value.find('%', percent + 1) != std::string_view::npos)
        throw notRead("VoiceDir " + std::string(value) + " holds a %...% placeholder.");
    std::string folder;
    try {
        folder = platform::folderFromHost(value, song.markedUtf8());
    } catch (const Exception &e) {
        throw notRead("VoiceDir could not be converted: " + e.description() + ".");
    }
    // A trailing separator is allowed, but a root ("/", "C:\") keeps its own.
    while (folder.size() > 1 && platform::isPathSeparator(folder.back()) &&
           !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

bool VoiceBank::anyNameContains(std::string_view text) const {
    const std::vector<std::string> &continuing = continuations();
    for (size_t at = forms.find(text); at != forms.npos; at = forms.find(text, at + 1)) {
        const std::string_view after = std::string_view(forms).substr(at + text.size());
        if (std::none_of(continuing.begin(), continuing.end(),
                         [&](const std::string &c) { return after.starts_with(c); }))
            return true;
    }
    return false;
}

VoiceBank::VoiceBank(std::string folderPath, const BankLimits &limits)
    : folder(std::move(folderPath)) {
    if (!platform::isFolder(folder))
        throw notRead(folder +
                      (platform::exists(folder) ? " is not a folder." : " does not exist."));
    // The names are views into the listings and the oto.ini texts, which stay where they are
    // until the walk is done.
    std::deque<std::vector<platform::FolderEntry>> listings;
    std::deque<std::string> texts;
    std::vector<std::string_view> names;
    struct Pending {
        std::string path;
        size_t level;
    };
    std::vector<Pending> pending{{folder, 0}};
    size_t entries = 0;
    unsigned long long otoBytes = 0;
    while (!pending.empty()) {
        const Pending at = std::move(pending.back());
        pending.pop_back();
        listings.push_back(readOrThrow(platform::listFolder, at.path));
        if ((entries += listings.back().size()) > limits.entries)
            throw notRead("more than " + std::to_string(limits.entries) + " entries.");
        const std::string parent =
            platform::isPathSeparator(at.path.back()) ? at.path : at.path + platform::pathSeparator;
        for (const platform::FolderEntry &entry : listings.back()) {
            const std::string_view name = entry.name;
            if (entry.kind == platform::FolderEntry::folder) {
                if (at.level == limits.levels)
                    throw notRead("more than " + std::to_string(limits.levels) +
                                  " levels of folders.");
                pending.push_back({parent + entry.name, at.level + 1});
            } else if (entry.kind == platform::FolderEntry::file && endsWithAnyCase(name, ".wav")) {
                names.push_back(name.substr(0, name.size() - 4));
            } else if (entry.kind == platform::FolderEntry::file && name.size() == 7 &&
                       endsWithAnyCase(name, "oto.ini")) {
                texts.push_back(readOtoIni(parent + entry.name, otoBytes, limits.otoBytes));
                for (std::string_view alias : otoAliases(texts.back()))
                    names.push_back(alias);
            }
        }
    }
    count = names.size();
    size_t bytes = 0;
    for (std::string_view name : names)
        bytes += name.size() + 1;
    forms.reserve(2 * bytes);
    for (std::string_view name : names)
        for (const std::string &form : byteForms(name))
            forms.append(form).push_back('\n');
}
