#pragma once
// The two writers, each adding its files to a set that the caller puts in
// place once every file of the export is written.

#include "file_set.h"
#include "model_export.h"

namespace korvex {

void addGlb(FileSet& files, const ExportScene& scene, const std::filesystem::path& path);
void addObj(FileSet& files, const ExportScene& scene, const std::filesystem::path& path);

}  // namespace korvex
