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
    // A section's lines are gathered first, so that its session can make room for them all.
    Session *current = nullptr;
    std::vector<std::string_view> body;
    auto endSection = [&] {
        if (current)
            current->parseLines(body);
        body.clear();
    };
    forEachLine(text, [&](std::string_view line) {
        if (isHeaderLine(line)) {
            endSection();
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
            body.push_back(line);
    });
    endSection();
}

std::string InoutData::toText() const {
    std::vector<const Session *> sections{setting.get(), prev.get()};
    for (const auto &section : extraSections)
        sections.push_back(section.get());
    for (const auto &note : notes)
        sections.push_back(note.get());
    sections.push_back(next.get());

    // One allocation: a text grown step by step leaves its outgrown copies in the heap.
    size_t size = 0;
    for (const Session *section : sections)
        size += section->textSize();
    std::string text;
    text.reserve(size);
    for (const Session *section : sections)
        section->appendText(text);
    return text;
}

void InoutData::save() { platform::replaceWhole(path, toText()); }

std::string InoutData::voiceFile(const char *name) const {
    if (setting->entries.contains("VoiceDir"))
        return std::string(setting->entries.at("VoiceDir")) + "\\" + name;
    return std::string("C:\\Program Files\\UTAU\\voice\\oto\\") + name;
}

std::string InoutData::otoIniPath() const { return voiceFile("oto.ini"); }

std::string InoutData::prefixMapPath() const { return voiceFile("prefix.map"); }
