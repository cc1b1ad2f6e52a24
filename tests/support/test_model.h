#pragma once
// Loads a model written by the builder into a fresh state and keeps
// everything the user would have seen: log lines, boxes, an escaped failure.

#include "model/program_state.h"
#include "model/recording_io.h"
#include "tests/support/model_file_builder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::fixtures {

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A temporary folder laid out as users keep their cars: cars/a/car.o, with
// room for a settings file beside the model and in the folder above it, both
// inside the temporary folder.
class CarFolder {
public:
    CarFolder();
    const std::filesystem::path& cars() const { return cars_; }
    const std::filesystem::path& modelFolder() const { return modelFolder_; }
    const std::filesystem::path& model() const { return model_; }

private:
    TempDir root_;
    std::filesystem::path cars_, modelFolder_, model_;
};

void writeText(const std::filesystem::path& path, std::string_view text);

// The names of the files in `folder`, hidden ones included, in order.
std::vector<std::string> filesIn(const std::filesystem::path& folder);

struct LoadOutcome {
    ProgramState state;
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingControls controls;
    std::optional<std::string> escaped;  // the text of a failure that left the command

    UserIo io() { return UserIo{log, prompts}; }
    // Runs `command`, keeping the text of a failure that escapes it.
    template <typename Command>
    void run(Command&& command) {
        try {
            command();
        } catch (const std::exception& failure) {
            escaped = failure.what();
        }
    }
};

// Loads the file at `path` into `outcome.state` (which may already hold a model).
void loadInto(LoadOutcome& outcome, const std::filesystem::path& path);

// Opens the file at `path` as the open command does once a file is chosen.
void openInto(LoadOutcome& outcome, const std::filesystem::path& path);

// Writes `bytes` to `name` in `dir` and loads it into a fresh state.
LoadOutcome loadBytes(const TempDir& dir, const Bytes& bytes, const std::string& name = "car.o");

}  // namespace korvex::fixtures
