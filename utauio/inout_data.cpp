#include "utauio/inout_data.h"

#include "platform/platform.h"
#include "support/lines.h"
#include "support/utf8.h"
#include "utauio/section_name.h"
#include "utauio/views.h"

InoutData::InoutData()
    : setting(std::make_unique<Session>("SETTING")), prev(std::make_unique<Session>("PREV")),
      next(std::make_unique<Session>("NEXT")) {}

InoutData::InoutData(const std::string &path) : InoutData() { load(path); }

void InoutData::load(const std::string &path) {
    this->path = path;
    loaded = std::make_shared<const std::string>(platform::readWhole(path));
    const std::string_view text = withoutByteOrderMark(*loaded);
    leadingMark = loaded->substr(0, loaded->size() - text.size());
    parse(text);
}

void InoutData::parse(std::string_view given) {
    // The entries view the text they come from rather than copy it, and keep it; a text that
    // load did not read is kept as one copy.
    std::shared_ptr<const std::string> kept =
        loaded && viewsInto(*loaded, given) ? loaded : std::make_shared<const std::string>(given);
    std::string_view text = kept == loaded ? given : *kept;

    // A section's lines are gathered first, so that its session can make room for them all.
    Session *current = nullptr;
    std::vector<std::string_view> body;
    auto startSection = [&](Session *section) {
        // A section continued from an earlier text copies the entries it adds.
        if (section->entries.empty())
            section->entries.share(kept);
        if (section->flags.empty())
            section->flags.share(kept);
        current = section;
    };
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
                startSection(setting.get());
            } else if (name == "PREV") {
                startSection(prev.get());
            } else if (name == "NEXT") {
                startSection(next.get());
            } else if (isNumericName(name)) {
                notes.push_back(std::make_unique<Session>(std::string(name)));
                startSection(notes.back().get());
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

template <class F> void InoutData::forEachSection(F &&f) const {
    f(*setting);
    f(*prev);
    for (const auto &section : extraSections)
        f(*section);
    for (const auto &note : notes)
        f(*note);
    f(*next);
}

// Every section writes at least its header, so a text always has a last CR LF to drop.
static void dropLastLineEnd(std::string &text) { text.resize(text.size() - 2); }

std::string InoutData::toText() const {
    // One allocation: a text grown step by step leaves its outgrown copies in the heap.
    size_t size = leadingMark.size();
    forEachSection([&](const Session &section) { size += section.textSize(); });
    std::string text;
    text.reserve(size);
    text.append(leadingMark);
    forEachSection([&](const Session &section) { section.appendText(text); });
    dropLastLineEnd(text);
    return text;
}

void InoutData::save() {
    // Written in pieces: a whole second copy of a large song would add to the memory the run
    // needs and to the time it takes.
    constexpr size_t pieceSize = 256 * 1024;
    platform::replaceWhole(path, [this](const platform::Writer &write) {
        std::string piece;
        piece.reserve(2 * pieceSize);
        piece.append(leadingMark);
        forEachSection([&](const Session &section) {
            if (piece.size() >= pieceSize) {
                write(piece);
                piece.clear();
            }
            section.appendText(piece);
        });
        dropLastLineEnd(piece);
        write(piece);
    });
}

std::string InoutData::voiceFile(const char *name) const {
    if (setting->entries.contains("VoiceDir"))
        return std::string(setting->entries.at("VoiceDir")) + "\\" + name;
    return std::string("C:\\Program Files\\UTAU\\voice\\oto\\") + name;
}

std::string InoutData::otoIniPath() const { return voiceFile("oto.ini"); }

std::string InoutData::prefixMapPath() const { return voiceFile("prefix.map"); }
