#pragma once
// Writing the open model for other 3-D programs: binary glTF 2.0 (.glb),
// or Wavefront OBJ with its MTL file and the textures as PNG pictures.

#include "export_scene.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

enum class ExportFormat { Glb, Obj };

// The types the window's export dialog offers.
inline constexpr std::string_view ExportFileFilter = "glTF Binary (*.glb)|*.glb|Wavefront OBJ (*.obj)|*.obj";

// The format a file name's extension asks for (".glb", ".obj", any case).
std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& path);

struct ExportTarget {
    ExportFormat format;
    std::filesystem::path path;
};

// A file an export reads and must never write over, and what it is, as in
// "it is the model being exported".
struct ExportInput {
    std::filesystem::path path;
    std::string what;
};

// A .glb target holds one node, mesh and material per part, the buffer and
// the textures' PNG pictures; the parts left out are listed in the scene's
// extras. Beside an .obj target go an MTL file of the same name and the
// textures as "<name>_<texture>.png"; the parts left out are listed in
// comments.
//
// Writes every target, all or nothing: should any file fail (a full disk,
// a name that cannot be replaced, a target that is an input or another
// target), every file is left as it was and ExportError says why. Every
// failure, a lack of memory included, ends in ExportError.
void writeExports(const ExportScene& scene, const std::vector<ExportTarget>& targets,
                  const std::vector<ExportInput>& inputs = {});

// "Korvex Model Viewer 1.0", as the files name their generator.
std::string exportGenerator();

}  // namespace korvex
