#include "uv_layout.h"

#include "export_scene.h"
#include "file_set.h"
#include "image_file.h"
#include "textures/picture_layout.h"
#include "textures/texture_library.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace korvex {

namespace {

UvPart trianglesOf(const ProgramState& state, std::size_t part) {
    UvPart drawn{part, {}};
    const VertexArray& vertices = state.partList.PartVertices[part];
    forEachStripTriangle(state.partList.PartIndices[part], vertices, [&](uint16_t a, uint16_t b, uint16_t c) {
        const float* ta = vertices[a].TexCoord;
        const float* tb = vertices[b].TexCoord;
        const float* tc = vertices[c].TexCoord;
        drawn.triangles.push_back({ta[0], ta[1], tb[0], tb[1], tc[0], tc[1]});
    });
    return drawn;
}

// A colour for the k-th part of a template: hues a golden angle apart, so
// that neighbours in the list differ clearly.
QColor partColour(std::size_t k) {
    const double hue = std::fmod(0.08 + static_cast<double>(k) * 0.6180339887, 1.0);
    return QColor::fromHsvF(static_cast<float>(hue), 0.9f, 0.95f);
}

// Copies of a triangle further than this many repeats apart are not drawn
// one by one: such a triangle covers the picture many times over.
constexpr double MostRepeats = 16.0;

void drawTriangle(QPainter& painter, const PictureLayout& at, const std::array<float, 6>& uv) {
    if (!std::all_of(uv.begin(), uv.end(), [](float c) { return std::isfinite(c); })) return;
    double low[2] = {uv[0], uv[1]}, high[2] = {uv[0], uv[1]};
    for (int corner = 1; corner < 3; ++corner)
        for (int axis = 0; axis < 2; ++axis) {
            const double c = uv[static_cast<std::size_t>(corner * 2 + axis)];
            low[axis] = std::min(low[axis], c);
            high[axis] = std::max(high[axis], c);
        }
    // The repeats of the texture the triangle touches, one cell per repeat,
    // counted from the first: far from 0, adding 1 to a double changes nothing.
    double first[2];
    int count[2];
    for (int axis = 0; axis < 2; ++axis) {
        first[axis] = std::floor(low[axis]);
        const double cells = std::max(1.0, std::ceil(high[axis]) - first[axis]);
        count[axis] = cells > MostRepeats ? 1 : static_cast<int>(cells);
        if (cells > MostRepeats) first[axis] = std::floor((low[axis] + high[axis]) / 2);
    }
    for (int di = 0; di < count[0]; ++di)
        for (int dj = 0; dj < count[1]; ++dj) {
            const double i = first[0] + di, j = first[1] + dj;
            QPolygonF outline;
            for (int corner = 0; corner < 3; ++corner) {
                const std::size_t k = static_cast<std::size_t>(corner) * 2;
                const EditorPoint p = editorPoint(at, uv[k] - i, uv[k + 1] - j);
                outline << QPointF(p.x, p.y);
            }
            painter.drawPolygon(outline);
        }
}

}  // namespace

UvLayout collectUvLayout(const ProgramState& state, const std::vector<int32_t>& named) {
    UvLayout layout;
    if (!state.ModelLoaded) return layout;
    const std::size_t count = drawablePartCount(state.partList);
    const auto known = [count](int32_t part) { return part >= 0 && static_cast<std::size_t>(part) < count; };
    if (!named.empty() && known(named.front())) layout.texture = textureEntryOf(state, static_cast<std::size_t>(named.front()));
    for (std::size_t part = 0; part < count; ++part) {
        const bool wanted = layout.texture >= 0 ? textureEntryOf(state, part) == layout.texture
                                                : named.empty() || std::find(named.begin(), named.end(),
                                                                             static_cast<int32_t>(part)) != named.end();
        if (wanted && state.partList.Parts[part].IndicesInRange) layout.parts.push_back(trianglesOf(state, part));
    }
    if (layout.texture >= 0) layout.picture = state.textureLibrary[static_cast<std::size_t>(layout.texture)].Layout;
    return layout;
}

QSize uvLayoutSize(const UvLayout& layout) {
    if (layout.picture.Width == 0 || layout.picture.Height == 0) return {BareLayoutSide, BareLayoutSide};
    return {static_cast<int>(std::min<uint32_t>(layout.picture.Width, MostLayoutSide)),
            static_cast<int>(std::min<uint32_t>(layout.picture.Height, MostLayoutSide))};
}

QImage editorImage(const PixelBuffer& picture) {
    const QImage rows = imageOfRows(picture);
    if (rows.isNull()) return rows;
    // Texture row 0 is the editor's bottom row unless the file put its top
    // row first. The answer has pixels of its own.
    if (picture.topRowFirst && !picture.rightColumnFirst) return rows.copy();
    return rows.mirrored(picture.rightColumnFirst, !picture.topRowFirst);
}

QImage drawUvLayout(const UvLayout& layout, QSize size, const QImage& under, const std::atomic<bool>* cancelled) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!under.isNull()) painter.drawImage(QRect(QPoint(0, 0), size), under);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // The outlines are drawn at the template's size, with the picture's turn.
    const PictureLayout at{static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height()),
                           layout.picture.TopRowFirst, layout.picture.RightColumnFirst};
    for (std::size_t k = 0; k < layout.parts.size(); ++k) {
        if (cancelled != nullptr && cancelled->load()) return {};
        QPen pen(partColour(k));
        pen.setWidthF(1.0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        for (const std::array<float, 6>& triangle : layout.parts[k].triangles) drawTriangle(painter, at, triangle);
    }
    painter.end();
    return image;
}

bool writeUvLayout(const UvLayout& layout, QSize size, const QImage& under, const std::filesystem::path& path,
                   const std::vector<ExportInput>& inputs, const std::atomic<bool>* cancelled) {
    if (size.width() < 1 || size.height() < 1 || size.width() > MostLayoutSide || size.height() > MostLayoutSide)
        throw ExportError(path, "a layout is at most " + std::to_string(MostLayoutSide) + " pixels a side");
    const QImage image = drawUvLayout(layout, size, under, cancelled);
    if (cancelled != nullptr && cancelled->load()) return false;
    if (image.isNull()) throw ExportError(path, "there is not enough memory for a picture of that size");
    const QByteArray bytes = encodeImage(image, path, "png");
    if (cancelled != nullptr && cancelled->load()) return false;
    FileSet files;
    for (const ExportInput& input : inputs) files.protect(input.path, input.what);
    files.add(path).write(bytes.constData(), bytes.size());
    files.commit();
    return true;
}

}  // namespace korvex
