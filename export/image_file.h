#pragma once
// A picture saved as a file: encoded in memory, then written whole under a
// temporary name and renamed into place, so that a full disk or a folder
// that takes no file leaves no file, or the one that was there, behind.

#include "textures/pixel_buffer.h"

#include <QImage>

#include <filesystem>

namespace korvex {

// Throws ExportError ("cannot write PATH: reason") when the picture cannot
// be encoded as `format` ("png", "jpg", ...) or the file cannot be written.
void writeImageFile(const QImage& image, const std::filesystem::path& path, const char* format);

// The picture encoded as `format`; throws ExportError naming `path` when it cannot be.
QByteArray encodeImage(const QImage& image, const std::filesystem::path& path, const char* format);

// A picture's rows as they lie, row 0 first, over its pixels (valid while
// they are); a null image for a buffer that holds no whole picture.
QImage imageOfRows(const PixelBuffer& picture);

}  // namespace korvex
