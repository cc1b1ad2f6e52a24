// The film encoders' module: FFmpeg and libwebp with the writers that use
// them, loaded by FilmWriter::open the first time a film is written.

#include "media/film_makers.h"

extern "C" __attribute__((visibility("default"))) korvex::FilmWriter* korvexOpenFilm(
    const std::filesystem::path* path, int kind, const korvex::FilmSettings* settings) {
    using namespace korvex;
    auto writer = static_cast<FilmKind>(kind) == FilmKind::Mp4 ? media_detail::openMp4Film(*path, *settings)
                                                               : media_detail::openWebPFilm(*path, *settings);
    return writer.release();
}
