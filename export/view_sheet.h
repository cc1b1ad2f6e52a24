#pragma once
// A sheet of the standard views: front, side, top and three-quarter, two
// by two, above a caption line that names the model and counts what is
// drawn. The cells are drawn by the renderer; the sheet is put together
// here with a QPainter.

#include "model/program_state.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <cstddef>
#include <functional>

namespace korvex {

struct SheetLayout {
    int width = 0, height = 0;  // the whole sheet
    int cellWidth = 0, cellHeight = 0;
    int captionHeight = 0;  // below the cells
};

// The sheet's cells and caption in `width` x `height` pixels: nothing
// (cells of 0 pixels) when it is too small to hold them.
SheetLayout sheetLayout(int width, int height);

// "car.o: 24 parts, 5,120 triangles": the parts `drawn` says are drawn and
// their triangles that cover anything.
QString sheetCaption(const QString& modelName, const ProgramState& state,
                     const std::function<bool(std::size_t part)>& drawn);

// The four cells (front, side, top, three-quarter, each cellWidth x
// cellHeight) left to right and top to bottom, and the caption centred
// below them, on the scene's `background` (0x00BBGGRR), or on nothing
// (alpha 0) when transparent.
QImage composeSheet(const SheetLayout& layout, const std::array<QImage, 4>& cells, const QString& caption,
                    uint32_t background, bool transparent);

}  // namespace korvex
