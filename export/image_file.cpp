#include "image_file.h"

#include "export_scene.h"
#include "file_set.h"

#include <QBuffer>
#include <QImageWriter>

namespace korvex {

QByteArray encodeImage(const QImage& image, const std::filesystem::path& path, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) throw ExportError(path, writer.errorString().toStdString());
    return bytes;
}

void writeImageFile(const QImage& image, const std::filesystem::path& path, const char* format) {
    const QByteArray bytes = encodeImage(image, path, format);
    writeWholeFile(path, std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QImage imageOfRows(const PixelBuffer& picture) {
    const bool alpha = picture.bytesPerPixel == 4;
    if ((!alpha && picture.bytesPerPixel != 3) || picture.width == 0 || picture.height == 0 ||
        picture.pixels.size() < picture.rowBytes() * picture.height)
        return {};
    return QImage(picture.pixels.data(), static_cast<int>(picture.width), static_cast<int>(picture.height),
                  static_cast<qsizetype>(picture.rowBytes()), alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
}

}  // namespace korvex
