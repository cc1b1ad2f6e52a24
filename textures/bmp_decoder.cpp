#include "bmp_decoder.h"

#include "file_bytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdlib>
#include <cstring>
#include <string>

namespace korvex {

namespace {

std::optional<PixelBuffer> refuse(std::string_view pathShown, Prompts& prompts) {
    prompts.message("BMP Unit", "Couldn't load BMP - \"" + std::string(pathShown) + "\"", BoxIcon::None);
    return std::nullopt;
}

uint32_t littleEndian32(std::span<const uint8_t> bytes, std::size_t at) {
    return bytes[at] | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 | uint32_t{bytes[at + 3]} << 24;
}

// An uncompressed bitmap must hold every row it claims: the reader would
// otherwise reserve the whole picture for a file of a few bytes.
bool uncompressedRowsPresent(std::span<const uint8_t> file) {
    constexpr std::size_t InfoHeaderEnd = 14 + 40;
    if (file.size() < InfoHeaderEnd || littleEndian32(file, 14) < 40) return true;  // the reader decides
    const uint32_t compression = littleEndian32(file, 30);
    constexpr uint32_t Uncompressed = 0, BitFields = 3, AlphaBitFields = 6;
    if (compression != Uncompressed && compression != BitFields && compression != AlphaBitFields) return true;
    const auto width = static_cast<int32_t>(littleEndian32(file, 18));
    const auto height = static_cast<int32_t>(littleEndian32(file, 22));
    const uint32_t bitsPerPixel = file[28] | uint32_t{file[29]} << 8;
    const uint32_t dataOffset = littleEndian32(file, 10);
    if (width <= 0 || height == 0 || bitsPerPixel == 0) return true;
    const uint64_t rows = height < 0 ? uint64_t{0} - static_cast<int64_t>(height) : static_cast<uint64_t>(height);
    const uint64_t rowBytes = (uint64_t{static_cast<uint32_t>(width)} * bitsPerPixel + 31) / 32 * 4;
    return dataOffset <= file.size() && rows <= (file.size() - dataOffset) / rowBytes;
}

// The common uncompressed 24- and 32-bit bitmaps, read straight from the
// file: their rows are stored bottom first, as the buffer wants them, so one
// pass does what the reader and a second copy would. Anything else goes to
// the reader.
std::optional<PixelBuffer> directTrueColour(std::span<const uint8_t> file, uint64_t budget) {
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    const uint32_t headerSize = littleEndian32(file, 14);
    const uint32_t planes = file[26] | uint32_t{file[27]} << 8;
    const uint32_t bitsPerPixel = file[28] | uint32_t{file[29]} << 8;
    const auto width = static_cast<int32_t>(littleEndian32(file, 18));
    const auto height = static_cast<int32_t>(littleEndian32(file, 22));
    if ((headerSize != 40 && headerSize != 108 && headerSize != 124) || planes != 1 || littleEndian32(file, 30) != 0 ||
        (bitsPerPixel != 24 && bitsPerPixel != 32) || width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    const uint64_t rows = static_cast<uint64_t>(std::abs(int64_t{height}));
    const uint64_t fileRowBytes = (uint64_t{static_cast<uint32_t>(width)} * bitsPerPixel + 31) / 32 * 4;
    const uint64_t dataOffset = littleEndian32(file, 10);
    if (dataOffset > file.size() || rows > (file.size() - dataOffset) / fileRowBytes) return std::nullopt;
    if (uint64_t{static_cast<uint32_t>(width)} * rows > budget / 4) return std::nullopt;

    PixelBuffer buffer;
    buffer.width = static_cast<uint32_t>(width);
    buffer.height = static_cast<uint32_t>(rows);
    buffer.bytesPerPixel = 4;
    buffer.pixels.resize(buffer.rowBytes() * buffer.height);
    const std::size_t step = bitsPerPixel / 8;
    for (uint32_t r = 0; r < buffer.height; ++r) {
        // A negative height stores the top row first.
        const uint64_t fileRow = height < 0 ? buffer.height - 1 - r : r;
        const uint8_t* from = file.data() + dataOffset + fileRow * fileRowBytes;
        uint8_t* to = buffer.pixels.data() + r * buffer.rowBytes();
        for (uint32_t x = 0; x < buffer.width; ++x, from += step, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
    }
    return buffer;
}

// Bottom picture row first, every pixel R, G, B, 255.
PixelBuffer bottomRowFirst(const QImage& image) {
    PixelBuffer buffer;
    buffer.width = static_cast<uint32_t>(image.width());
    buffer.height = static_cast<uint32_t>(image.height());
    buffer.bytesPerPixel = 4;
    buffer.pixels.resize(buffer.rowBytes() * buffer.height);
    for (uint32_t r = 0; r < buffer.height; ++r) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(buffer.height - 1 - r)));
        uint8_t* to = buffer.pixels.data() + r * buffer.rowBytes();
        for (uint32_t x = 0; x < buffer.width; ++x, to += 4) {
            const QRgb pixel = from[x];
            to[0] = static_cast<uint8_t>(qRed(pixel));
            to[1] = static_cast<uint8_t>(qGreen(pixel));
            to[2] = static_cast<uint8_t>(qBlue(pixel));
            to[3] = 255;
        }
    }
    return buffer;
}

}  // namespace

std::optional<PixelBuffer> DecodeBmp(std::span<const uint8_t> file, std::string_view pathShown, Prompts& prompts,
                                     uint64_t budget) {
    if (!uncompressedRowsPresent(file)) return refuse(pathShown, prompts);
    if (auto direct = directTrueColour(file, budget)) return direct;
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    // Only a bitmap is a bitmap: a picture of another kind named .bmp is refused.
    QImageReader reader(&device, "bmp");
    reader.setAutoDetectImageFormat(false);
    // A top-down bitmap reports a negative height.
    const QSize size = reader.size();
    if (size.width() <= 0 || size.height() == 0) return refuse(pathShown, prompts);
    const auto width = static_cast<uint64_t>(size.width());
    const auto height = static_cast<uint64_t>(std::abs(int64_t{size.height()}));
    if (width * height > budget / 4) return refuse(pathShown, prompts);
    // The reader's own limit, in whole MiB, guards what it reserves.
    QImageReader::setAllocationLimit(static_cast<int>(budget >> 20));
    QImage image;
    if (!reader.read(&image) || image.isNull()) return refuse(pathShown, prompts);
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) return refuse(pathShown, prompts);
    return bottomRowFirst(image);
}

std::optional<PixelBuffer> DecodeBmpFile(const std::filesystem::path& path, Prompts& prompts, uint64_t budget) {
    const auto bytes = readWholeFile(path);
    if (!bytes) return refuse(path.string(), prompts);
    return DecodeBmp(*bytes, path.string(), prompts, budget);
}

}  // namespace korvex
