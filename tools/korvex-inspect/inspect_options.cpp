#include "inspect_options.h"

#include "inspect.h"

#include "setup/look_file.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"

#include <exception>
#include <filesystem>
#include <map>

namespace korvex {

std::optional<int> parseInRange(std::string_view text, int low, int high) {
    const auto value = parseNumber<int>(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

std::optional<std::vector<int>> parseList(std::string_view text, char separator, std::size_t count, int low, int high) {
    std::vector<int> values;
    for (std::size_t start = 0; values.size() < count; ++start) {
        const std::size_t stop = values.size() + 1 == count ? text.size() : text.find(separator, start);
        if (stop == std::string_view::npos) return std::nullopt;
        const auto value = parseInRange(text.substr(start, stop - start), low, high);
        if (!value) return std::nullopt;
        values.push_back(*value);
        start = stop;
    }
    return values;
}

std::optional<PartPicture> parsePartPicture(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size()) return std::nullopt;
    int32_t part = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + equals, part);
    if (error != std::errc() || end != text.data() + equals || part < 0) return std::nullopt;
    return PartPicture(part, text.substr(equals + 1));
}

void applyPartPictures(const std::vector<PartPicture>& given, ProgramState& state,
                       std::vector<std::optional<PixelBuffer>>& pictures, std::ostream& out) {
    pictures.resize(state.textureLibrary.size());
    std::map<std::string, int32_t> entries;  // a picture named twice is one texture
    ScriptedPrompts prompts;
    std::optional<std::string> escaped;
    TextureLibrary& library = state.textureLibrary;
    for (const auto& [part, file] : given) {
        auto entry = entries.find(file);
        if (entry == entries.end()) {
            std::optional<PixelBuffer> picture;
            try {
                picture = DecodeTextureFile(file, prompts);
            } catch (const std::exception& failure) {
                escaped = failure.what();
            }
            if (!picture) continue;
            appendTexture(library, MakeUniqueTextureName(library, std::filesystem::path(file).filename().string()), 0,
                          file, layoutOf(*picture));
            pictures.push_back(std::move(*picture));
            entry = entries.emplace(file, static_cast<int32_t>(library.size())).first;
        }
        if (static_cast<std::size_t>(part) < state.partList.Parts.size())
            state.partList.Parts[static_cast<std::size_t>(part)].TextureIndex = entry->second;
    }
    printShown(prompts, escaped, out);
}

std::vector<ExportInput> filesRead(const ModelCommand& model, const ProgramState& state,
                                   const std::vector<PartPicture>& given, const std::string& done,
                                   const std::string& writing) {
    std::vector<ExportInput> inputs{{state.ModelPath, "the model being " + done}};
    if (isLookFileName(model.path)) inputs.push_back({model.path, "the look being " + done});
    const std::string picture = "a picture " + writing + " uses";
    for (const TextureEntry& entry : state.textureLibrary)
        if (!entry.SourcePath.empty()) inputs.push_back({entry.SourcePath, picture});
    for (const auto& [part, file] : given) inputs.push_back({file, picture});
    return inputs;
}

int writeOrSay(std::ostream& err, const std::string& lackingFor, const std::function<void()>& write) {
    try {
        write();
        return 0;
    } catch (const std::bad_alloc&) {
        err << "korvex-inspect: there is not enough memory " << lackingFor << '\n';
    } catch (const std::exception& failure) {
        err << "korvex-inspect: " << failure.what() << '\n';
    }
    return 1;
}

}  // namespace korvex
