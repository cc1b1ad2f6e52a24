#pragma once
// The two kinds of film writer, made by FilmWriter::open once the settings
// have been checked.

#include "media/film_writer.h"

namespace korvex::media_detail {

std::unique_ptr<FilmWriter> openMp4Film(const std::filesystem::path& path, const FilmSettings& settings);
std::unique_ptr<FilmWriter> openWebPFilm(const std::filesystem::path& path, const FilmSettings& settings);

}  // namespace korvex::media_detail
