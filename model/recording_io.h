#pragma once
// A log and prompts that keep everything in memory and answer from a script,
// for the command-line inspector and the tests.

#include "user_io.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

class RecordingLog : public LogSink {
public:
    void clear() override { lines.clear(); }
    void LogLine(std::string_view text) override { lines.emplace_back(text); }

    std::vector<std::string> lines;
};

struct ShownBox {
    enum class Kind { Message, Question, FileRequest };
    Kind kind;
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::None;
};

class ScriptedPrompts : public Prompts {
public:
    void message(std::string_view caption, std::string_view text, BoxIcon icon) override;
    bool askYesNo(std::string_view caption, std::string_view text, BoxIcon icon) override;
    std::optional<std::filesystem::path> chooseFile(std::string_view filter, std::string_view caption) override;
    // Shown as a file request captioned with the suggested name; answered
    // from fileAnswers.
    std::optional<std::filesystem::path> chooseSaveFile(std::string_view filter,
                                                        const std::filesystem::path& suggested,
                                                        std::string_view caption = SaveAsCaption) override;
    void startIn(std::string_view filter, const std::filesystem::path& folder) override {
        startFolders[std::string(filter)] = folder;
    }

    std::vector<ShownBox> shown;
    // Answers given in turn; when a queue runs dry the default applies.
    std::deque<bool> yesNoAnswers;
    bool defaultYesNo = true;
    std::deque<std::optional<std::filesystem::path>> fileAnswers;  // default: cancel
    // Where each filter's file dialog was last told to open.
    std::map<std::string, std::filesystem::path> startFolders;
};

class RecordingControls : public CommandControls {
public:
    void setCloseEnabled(bool enabled) override { closeEnabled = enabled; }
    void DisablePartOptions() override { ++partOptionsDisabled; }

    std::optional<bool> closeEnabled;  // nothing until a command sets it
    int partOptionsDisabled = 0;
};

}  // namespace korvex
