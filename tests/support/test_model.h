#pragma once
// Loads a model written by the builder into a fresh state and keeps
// everything the user would have seen: log lines, boxes, an escaped failure.

#include "model/program_state.h"
#include "model/recording_io.h"
#include "tests/support/model_file_builder.h"

#include <filesystem>
#include <optional>
#include <string>

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

struct LoadOutcome {
    ProgramState state;
    RecordingLog log;
    ScriptedPrompts prompts;
    std::optional<std::string> escaped;  // the text of a failure that left LoadModel
};

// Loads the file at `path` into `outcome.state` (which may already hold a model).
void loadInto(LoadOutcome& outcome, const std::filesystem::path& path);

// Writes `bytes` to `name` in `dir` and loads it into a fresh state.
LoadOutcome loadBytes(const TempDir& dir, const Bytes& bytes, const std::string& name = "car.o");

}  // namespace korvex::fixtures
