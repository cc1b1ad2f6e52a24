#include "image_file.h"

#include "export_scene.h"
#include "file_set.h"

#include <QBuffer>
#include <QImageWriter>

namespace korvex {

void writeImageFile(const QImage& image, const std::filesystem::path& path, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) throw ExportError(path, writer.errorString().toStdString());
    writeWholeFile(path, std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace korvex
