#pragma once
// How core code talks to the user: a log it appends lines to, and prompts it
// shows. The window implements both with widgets; the inspector and the tests
// record them and answer from a script.

#include <filesystem>
#include <optional>
#include <string_view>

namespace korvex {

enum class BoxIcon { None, Information, Error };

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void clear() = 0;
    // Appends one line; an empty text appends an empty line.
    virtual void LogLine(std::string_view text) = 0;
};

// The caption of a file dialog that asks for nothing more particular.
inline constexpr std::string_view OpenCaption = "Open";
// The caption of a file-save dialog that asks for nothing more particular.
inline constexpr std::string_view SaveAsCaption = "Save As";

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal box with a single OK button.
    virtual void message(std::string_view caption, std::string_view text, BoxIcon icon) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool askYesNo(std::string_view caption, std::string_view text, BoxIcon icon) = 0;
    // A file-open dialog captioned with what it asks for; nothing when the
    // user cancels.
    virtual std::optional<std::filesystem::path> chooseFile(std::string_view filter, std::string_view caption) = 0;
    // A file-open dialog for pictures; the window's shows a preview of the
    // highlighted file.
    virtual std::optional<std::filesystem::path> choosePicture(std::string_view filter) { return chooseFile(filter, OpenCaption); }
    // A file-save dialog offering the types of `filter`, with `suggested` as
    // the file name; nothing when the user cancels.
    virtual std::optional<std::filesystem::path> chooseSaveFile(std::string_view filter,
                                                                const std::filesystem::path& suggested,
                                                                std::string_view caption = SaveAsCaption) = 0;
    // The next file dialog for `filter` opens in `folder`.
    virtual void startIn(std::string_view filter, const std::filesystem::path& folder) = 0;
};

// The window's controls that the open and close commands switch. The
// inspector and the tests record what they are told.
class CommandControls {
public:
    virtual ~CommandControls() = default;
    // Enables or disables the close controls ("Delete" and "C&lose").
    virtual void setCloseEnabled(bool enabled) = 0;
    // Puts the part options panel into its "nothing selected" state.
    virtual void DisablePartOptions() = 0;
};

struct UserIo {
    LogSink& log;
    Prompts& prompts;
};

}  // namespace korvex
