#include "bmp_decoder.h"

#include "file_bytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <optional>
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

// The fields of a file header and a BITMAPINFOHEADER (or a later, longer
// one) that tell how much pixel data the file must hold.
struct BitmapHeader {
    uint32_t headerSize, planes, bitsPerPixel, compression, dataOffset;
    int32_t width, height;  // a negative height stores the top row first
    uint64_t rows, fileRowBytes;

    static constexpr uint32_t Uncompressed = 0, BitFields = 3, AlphaBitFields = 6;

    // Nothing for a file too short for the header, an older header, or a
    // size that says nothing about the data; the reader decides those.
    static std::optional<BitmapHeader> read(std::span<const uint8_t> file) {
        if (file.size() < 14 + 40 || littleEndian32(file, 14) < 40) return std::nullopt;
        BitmapHeader h{};
        h.headerSize = littleEndian32(file, 14);
        h.width = static_cast<int32_t>(littleEndian32(file, 18));
        h.height = static_cast<int32_t>(littleEndian32(file, 22));
        h.planes = file[26] | uint32_t{file[27]} << 8;
        h.bitsPerPixel = file[28] | uint32_t{file[29]} << 8;
        h.compression = littleEndian32(file, 30);
        h.dataOffset = littleEndian32(file, 10);
        if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN || h.bitsPerPixel == 0) return std::nullopt;
        h.rows = static_cast<uint64_t>(std::abs(int64_t{h.height}));
        h.fileRowBytes = (uint64_t{static_cast<uint32_t>(h.width)} * h.bitsPerPixel + 31) / 32 * 4;
        return h;
    }
    bool uncompressed() const {
        return compression == Uncompressed || compression == BitFields || compression == AlphaBitFields;
    }
    bool rowsPresent(std::span<const uint8_t> file) const {
        return dataOffset <= file.size() && rows <= (file.size() - dataOffset) / fileRowBytes;
    }
};

// An uncompressed bitmap must hold every row it claims: the reader would
// otherwise reserve the whole picture for a file of a few bytes.
bool uncompressedRowsPresent(std::span<const uint8_t> file) {
    const auto header = BitmapHeader::read(file);
    return !header || !header->uncompressed() || header->rowsPresent(file);
}

// The common uncompressed 24- and 32-bit bitmaps, read straight from the
// file: their rows are stored bottom first, as the buffer wants them, so one
// pass does what the reader and a second copy would. Anything else goes to
// the reader.
std::optional<PixelBuffer> directTrueColour(std::span<const uint8_t> file, uint64_t budget) {
    const auto header = BitmapHeader::read(file);
    if (!header || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    const BitmapHeader& h = *header;
    if ((h.headerSize != 40 && h.headerSize != 108 && h.headerSize != 124) || h.planes != 1 ||
        h.compression != BitmapHeader::Uncompressed || (h.bitsPerPixel != 24 && h.bitsPerPixel != 32) ||
        !h.rowsPresent(file) || uint64_t{static_cast<uint32_t>(h.width)} * h.rows > budget / 4)
        return std::nullopt;

    PixelBuffer buffer;
    buffer.width = static_cast<uint32_t>(h.width);
    buffer.height = static_cast<uint32_t>(h.rows);
    buffer.bytesPerPixel = 4;
    buffer.pixels.resize(buffer.rowBytes() * buffer.height);
    const std::size_t step = h.bitsPerPixel / 8;
    for (uint32_t r = 0; r < buffer.height; ++r) {
        const uint64_t fileRow = h.height < 0 ? buffer.height - 1 - r : r;
        const uint8_t* from = file.data() + h.dataOffset + fileRow * h.fileRowBytes;
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
    // Up to three pictures of four bytes a pixel live at once: the reader's,
    // its conversion to 32 bits and ours.
    if (width * height > budget / 12) return refuse(pathShown, prompts);
    // The reader's own limit, in whole MiB, guards what it reserves.
    QImageReader::setAllocationLimit(static_cast<int>(budget / 3 >> 20));
    QImage image;
    if (!reader.read(&image) || image.isNull()) return refuse(pathShown, prompts);
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) return refuse(pathShown, prompts);
    return bottomRowFirst(image);
}

std::optional<PixelBuffer> DecodeBmpFile(const std::filesystem::path& path, Prompts& prompts, uint64_t budget) {
    // Headers, a palette and at most the picture's own size in rows.
    const auto bytes = readWholeFile(path, budget + (uint64_t{1} << 16));
    if (!bytes) return refuse(path.string(), prompts);
    return DecodeBmp(*bytes, path.string(), prompts, budget);
}

}  // namespace korvex
