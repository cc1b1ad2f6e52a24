#include "recording_io.h"

namespace korvex {

void ScriptedPrompts::message(std::string_view caption, std::string_view text, BoxIcon icon) {
    shown.push_back({ShownBox::Kind::Message, std::string(caption), std::string(text), icon});
}

bool ScriptedPrompts::askYesNo(std::string_view caption, std::string_view text, BoxIcon icon) {
    shown.push_back({ShownBox::Kind::Question, std::string(caption), std::string(text), icon});
    if (yesNoAnswers.empty()) return defaultYesNo;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::optional<std::filesystem::path> ScriptedPrompts::chooseFile(std::string_view filter, std::string_view) {
    return chooseSaveFile(filter, {});
}

std::optional<std::filesystem::path> ScriptedPrompts::chooseSaveFile(std::string_view filter,
                                                                     const std::filesystem::path& suggested,
                                                                     std::string_view) {
    shown.push_back({ShownBox::Kind::FileRequest, suggested.string(), std::string(filter), BoxIcon::None});
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

}  // namespace korvex
