#include "utauio/voice_bank.h"

#include "platform/platform.h"
#include "support/byte_forms.h"
#include "support/failure.h"
#include "support/lines.h"
#include "support/utf8.h"

#include <algorithm>
#include <functional>

namespace {

Exception notRead(const std::string &reason) { return Exception("VoiceBankException", reason); }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Whether name ends in ending, ASCII letters in any case, as the file systems of Windows match.
bool endsWithAnyCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(
               ending.begin(), ending.end(), name.end() - ending.size(), [](char want, char got) {
                   return got == want || (want >= 'a' && want <= 'z' && got == want - 'a' + 'A');
               });
}

std::string withoutExtension(std::string_view file) {
    const size_t dot = file.rfind('.');
    return std::string(dot == std::string_view::npos ? file : file.substr(0, dot));
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

std::string voiceBankFolder(const Session &setting, bool utf8) {
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
        folder = platform::folderFromHost(value, utf8);
    } catch (const Exception &e) {
        throw notRead("VoiceDir could not be converted: " + e.description() + ".");
    }
    // A trailing separator is allowed, but a root ("/", "C:\") keeps its own.
    while (folder.size() > 1 && isSeparator(folder.back()) &&
           !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

VoiceBank::VoiceBank(std::string folderPath) : folder(std::move(folderPath)) {
    if (!platform::isFolder(folder))
        throw notRead(folder + " is not a folder.");
    // Many names come more than once (a sample's alias and its file's name, a name in both
    // encodings): each is counted once, by the hash of its UTF-8 form, which only the count
    // relies on.
    std::vector<size_t> distinct;
    auto add = [&](std::string_view name) {
        const std::vector<std::string> nameForms = byteForms(name);
        const bool utf8 = isValidUtf8(name);
        distinct.push_back(
            std::hash<std::string>()(utf8 || nameForms.size() == 1 ? nameForms[0] : nameForms[1]));
        for (const std::string &form : nameForms)
            forms.append(form).push_back('\n');
    };
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
        std::vector<platform::FolderEntry> list;
        try {
            list = platform::listFolder(at.path);
        } catch (const Exception &) {
            throw notRead(at.path + " could not be read.");
        }
        if ((entries += list.size()) > maxEntries)
            throw notRead("more than " + std::to_string(maxEntries) + " entries.");
        const std::string parent =
            isSeparator(at.path.back()) ? at.path : at.path + platform::pathSeparator;
        for (const platform::FolderEntry &entry : list) {
            const std::string path = parent + entry.name;
            if (entry.kind == platform::FolderEntry::folder) {
                if (at.level == maxLevels)
                    throw notRead("more than " + std::to_string(maxLevels) + " levels of folders.");
                pending.push_back({path, at.level + 1});
            } else if (entry.kind == platform::FolderEntry::file &&
                       endsWithAnyCase(entry.name, ".wav")) {
                add(withoutExtension(entry.name));
            } else if (entry.kind == platform::FolderEntry::file && entry.name.size() == 7 &&
                       endsWithAnyCase(entry.name, "oto.ini")) {
                std::string text;
                try {
                    otoBytes += platform::fileSize(path);
                    if (otoBytes <= maxOtoBytes)
                        text = platform::readWhole(path);
                } catch (const Exception &) {
                    throw notRead(path + " could not be read.");
                }
                if (otoBytes > maxOtoBytes)
                    throw notRead("more than 64 MiB of oto.ini text.");
                for (std::string_view alias : otoAliases(text))
                    add(alias);
            }
        }
    }
    std::sort(distinct.begin(), distinct.end());
    count = static_cast<size_t>(std::unique(distinct.begin(), distinct.end()) - distinct.begin());
}
