#pragma once
// UV layout templates: the triangles of the parts that share a texture,
// outlined where the view samples the picture for their corners, in the
// picture's own size and the way an image editor shows it, so that a stroke
// painted inside an outline lands on that triangle of the car.

#include "model/program_state.h"
#include "model_export.h"
#include "textures/pixel_buffer.h"

#include <QImage>
#include <QSize>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

// One part's triangles in texture space, each as s0, t0, s1, t1, s2, t2 as
// OpenGL is given them.
struct UvPart {
    std::size_t partIndex = 0;
    std::vector<std::array<float, 6>> triangles;
};

struct UvLayout {
    std::vector<UvPart> parts;
    int32_t texture = -1;  // the library entry the parts share, or -1 for none
    PictureLayout picture;  // its picture's size and turn; 0 x 0 without one
};

// The template's size when its parts have no picture of known size.
inline constexpr int32_t BareLayoutSide = 2048;
// The largest side a template may have.
inline constexpr int32_t MostLayoutSide = 16384;

// The layout for `named` parts of the open model: every part that uses the
// texture of the first of them, or, when it has none, the parts named
// themselves; with none named, every part. Names past the model are left out.
UvLayout collectUvLayout(const ProgramState& state, const std::vector<int32_t>& named);

// The picture's own size, or BareLayoutSide square.
QSize uvLayoutSize(const UvLayout& layout);

// The picture as an image editor shows it: rows and columns turned from
// the texture's order to the file's.
QImage editorImage(const PixelBuffer& picture);

// Draws the template at `size`: each triangle's outline (1 pixel,
// anti-aliased, one colour per part) over `under` scaled to the size, or
// over a transparent background when `under` is null. A triangle that
// reaches past the picture's edge is drawn where the repeating texture
// samples it, a copy for each repeat it touches. Answers a null image when
// `cancelled` turns true on the way.
QImage drawUvLayout(const UvLayout& layout, QSize size, const QImage& under,
                    const std::atomic<bool>* cancelled = nullptr);

// Draws the template and writes it to `path` as PNG, whole or not at all,
// never over one of `inputs`; throws ExportError when it cannot. Answers
// false, having written nothing, when `cancelled` turned true on the way.
bool writeUvLayout(const UvLayout& layout, QSize size, const QImage& under, const std::filesystem::path& path,
                   const std::vector<ExportInput>& inputs, const std::atomic<bool>* cancelled = nullptr);

}  // namespace korvex
