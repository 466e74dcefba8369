#include "utauio/inout_data.h"

#include "platform/platform.h"
#include "support/lines.h"
#include "utauio/section_name.h"

InoutData::InoutData()
    : setting(std::make_unique<Session>("SETTING")), prev(std::make_unique<Session>("PREV")),
      next(std::make_unique<Session>("NEXT")) {}

InoutData::InoutData(const std::string &path) : InoutData() { load(path); }

void InoutData::load(const std::string &path) {
    this->path = path;
    parse(platform::readWhole(path));
}

void InoutData::parse(std::string_view text) {
    Session *current = nullptr;
    forEachLine(text, [&](std::string_view line) {
        if (isHeaderLine(line)) {
            std::string_view name = line.substr(2, line.size() - 3);
            if (name == "SETTING") {
                current = setting.get();
            } else if (name == "PREV") {
                current = prev.get();
            } else if (name == "NEXT") {
                current = next.get();
            } else if (isNumericName(name)) {
                notes.push_back(std::make_unique<Session>(std::string(name)));
                current = notes.back().get();
            } else {
                current = nullptr;
            }
            return;
        }
        if (current && !line.empty())
            current->parseLine(line);
    });
}

std::string InoutData::toText() const {
    std::vector<const Session *> sections{setting.get(), prev.get()};
    for (const auto &section : extraSections)
        sections.push_back(section.get());
    for (const auto &note : notes)
        sections.push_back(note.get());
    sections.push_back(next.get());

    std::string text;
    for (const Session *section : sections) {
        for (const std::string &line : section->toLines()) {
            if (!text.empty())
                text += "\r\n";
            text += line;
        }
    }
    return text;
}

void InoutData::save() { platform::replaceWhole(path, toText()); }

std::string InoutData::voiceFile(const char *name) const {
    if (setting->entries.contains("VoiceDir"))
        return setting->entries.at("VoiceDir") + "\\" + name;
    return std::string("C:\\Program Files\\UTAU\\voice\\oto\\") + name;
}

std::string InoutData::otoIniPath() const { return voiceFile("oto.ini"); }

std::string InoutData::prefixMapPath() const { return voiceFile("prefix.map"); }
