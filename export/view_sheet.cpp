#include "view_sheet.h"

#include "export_scene.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QPainter>

#include <algorithm>

namespace korvex {

SheetLayout sheetLayout(int width, int height) {
    SheetLayout layout;
    layout.width = width;
    layout.height = height;
    layout.captionHeight = std::clamp(height / 24, 12, 64);
    if (width < 2 || height < layout.captionHeight + 2) return layout;
    layout.cellWidth = width / 2;
    layout.cellHeight = (height - layout.captionHeight) / 2;
    return layout;
}

QString sheetCaption(const QString& modelName, const ProgramState& state,
                     const std::function<bool(std::size_t part)>& drawn) {
    const PartList& list = state.partList;
    const std::size_t count = drawablePartCount(list);
    std::size_t parts = 0, triangles = 0;
    for (std::size_t part = 0; part < count; ++part) {
        if (!drawn(part)) continue;
        ++parts;
        forEachStripTriangle(list.PartIndices[part], list.PartVertices[part],
                             [&triangles](uint16_t, uint16_t, uint16_t) { ++triangles; });
    }
    const QLocale english(QLocale::English);
    return QStringLiteral("%1: %2 %3, %4 %5")
        .arg(modelName, english.toString(static_cast<qulonglong>(parts)), parts == 1 ? "part" : "parts",
             english.toString(static_cast<qulonglong>(triangles)), triangles == 1 ? "triangle" : "triangles");
}

QImage composeSheet(const SheetLayout& layout, const std::array<QImage, 4>& cells, const QString& caption,
                    uint32_t scene, bool transparent) {
    const QColor background(static_cast<int>(scene & 0xFF), static_cast<int>((scene >> 8) & 0xFF),
                            static_cast<int>((scene >> 16) & 0xFF));
    QImage sheet(layout.width, layout.height, QImage::Format_ARGB32);
    sheet.fill(transparent ? QColor(Qt::transparent) : background);
    QPainter painter(&sheet);
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        const int column = static_cast<int>(cell % 2), row = static_cast<int>(cell / 2);
        // Copied as they are: a clear cell stays clear on a clear sheet.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(column * layout.cellWidth, row * layout.cellHeight, cells[cell]);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Light text on a dark scene, dark on a light one or on nothing (most
    // pages a picture with a clear background is put on are light).
    const bool dark = !transparent && background.lightnessF() < 0.5;
    painter.setPen(dark ? QColor(235, 235, 235) : QColor(32, 32, 32));
    QFont font = painter.font();
    font.setPixelSize(std::max(8, layout.captionHeight * 3 / 5));
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawText(QRect(0, 2 * layout.cellHeight, layout.width, layout.captionHeight), Qt::AlignCenter, caption);
    return sheet;
}

}  // namespace korvex
