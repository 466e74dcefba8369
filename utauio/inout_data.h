#pragma once

#include "utauio/session.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The host's temporary file: the project settings, the notes around the selection and one
// section for each selected note.
class InoutData {
  public:
    // The three fixed sections, empty; nothing read.
    InoutData();
    // Reads and parses the file at path; its failures leave the constructor.
    explicit InoutData(const std::string &path);
    virtual ~InoutData() = default;

    std::unique_ptr<Session> setting;
    std::unique_ptr<Session> prev;
    std::unique_ptr<Session> next;
    std::vector<std::unique_ptr<Session>> notes; // in the order of their headers
    // Written between PREV and the notes; nothing in this program adds one.
    std::vector<std::unique_ptr<Session>> extraSections;
    std::string path;
    // The byte-order mark that the file began with, or nothing: no part of the first line, and
    // written first again so that the host reads its own encoding back.
    std::string leadingMark;
    // Whether the file's mark says that its text is UTF-8: OpenUtau marks a song it sends so.
    bool markedUtf8() const { return !leadingMark.empty(); }

    virtual void load(const std::string &path);
    // Adds the sections of text; other sections and lines before the first header are dropped.
    virtual void parse(std::string_view text);
    // Replaces the file at path whole with toText().
    virtual void save();
    // The leading mark, then SETTING, PREV, the extra sections, the notes and NEXT, lines
    // joined by CR LF. Not called by the run, which saves in pieces.
    virtual std::string toText() const;
    // The voice bank's files: VoiceDir's bytes as the host sent them, "\" and the file's name,
    // or the default bank's without VoiceDir. Not called by the run: the bank check finds the
    // folder through voiceBankFolder, which converts VoiceDir to a path of ours.
    virtual std::string otoIniPath() const;
    virtual std::string prefixMapPath() const;

  private:
    // The text that load read: parse finds it is given this text and keeps it without a copy.
    std::shared_ptr<const std::string> loaded;

    std::string voiceFile(const char *name) const;
    // Calls f(section) for each section in the order toText writes them.
    template <class F> void forEachSection(F &&f) const;
};
