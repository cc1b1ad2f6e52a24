#include "frame_renderer.h"

#include "camera.h"
#include "settings/geomdata_file.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace korvex {

namespace {

void emitImmediate(const VertexArray& vertices, const TriArray& indices) {
    glBegin(GL_TRIANGLE_STRIP);
    for (const uint16_t index : indices) {
        const ModelVertex& v = vertices[index];
        glTexCoord2f(v.TexCoord[0], v.TexCoord[1]);
        glNormal3f(v.Normal[0], v.Normal[1], v.Normal[2]);
        glVertex3f(v.Position[0], v.Position[1], v.Position[2]);
    }
    glEnd();
}

// The arrays point straight at the vertex records as the file laid them out.
void emitArrays(const VertexArray& vertices, const TriArray& indices) {
    if (indices.empty()) return;
    constexpr GLsizei stride = sizeof(ModelVertex);
    const ModelVertex* first = vertices.data();
    glVertexPointer(3, GL_FLOAT, stride, first->Position);
    glNormalPointer(GL_FLOAT, stride, first->Normal);
    glTexCoordPointer(2, GL_FLOAT, stride, first->TexCoord);
    glDrawElements(GL_TRIANGLE_STRIP, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, indices.data());
}

class PartDrawer {
public:
    PartDrawer(const ProgramState& state, StripEmitter emitter) : state_(state), emitter_(emitter) {}

    void emit(std::size_t part) const {
        const VertexArray& vertices = state_.partList.PartVertices[part];
        const TriArray& indices = state_.partList.PartIndices[part];
        emitStrip(vertices, indices, emitter_);
    }

    void bindPartTexture(const GeometryPart& part) const {
        const TextureLibrary& library = state_.textureLibrary;
        // An index past the library draws the part untextured.
        if (part.TextureIndex > 0 && static_cast<std::size_t>(part.TextureIndex) <= library.size()) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, library[static_cast<std::size_t>(part.TextureIndex) - 1].TextureObject);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
    }

    void solidPass(std::size_t count, bool transparent, const FrameControls& controls) const {
        const PartList& list = state_.partList;
        for (std::size_t i = 0; i < count; ++i) {
            const GeometryPart& part = list.Parts[i];
            if ((part.Transparent != 0) != transparent || !partIsDrawn(state_, i, controls)) continue;
            if (transparent)
                glEnable(GL_BLEND);
            else
                glDisable(GL_BLEND);
            bindPartTexture(part);
            glColor3f(part.Colour[0], part.Colour[1], part.Colour[2]);
            emit(i);
            if (part.EnvironmentMapped != 0) reflectionPass(i, transparent);
        }
    }

    // The reflection is added on top: a fifth of it on an opaque part, all
    // of it on a transparent one.
    void reflectionPass(std::size_t part, bool transparent) const {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, state_.view.EnvTexture);
        const GLfloat strength = transparent ? 1.0f : 0.2f;
        glColor3f(strength, strength, strength);
        emit(part);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }

    void wireframePass(std::size_t count, const FrameControls& controls) const {
        for (std::size_t i = 0; i < count; ++i) {
            if (!partIsDrawn(state_, i, controls)) continue;
            glDisable(GL_BLEND);
            glDisable(GL_TEXTURE_2D);
            const GeometryPart& part = state_.partList.Parts[i];
            glColor3f(part.Colour[0], part.Colour[1], part.Colour[2]);
            emit(i);
        }
    }

    // A blue-green glow that pulses about every 3.14 seconds, drawn over the
    // selected part whether it is shown or not.
    void highlight(std::size_t count) const {
        const int32_t selected = state_.SelectedPart;
        if (selected < 0 || static_cast<std::size_t>(selected) >= count ||
            !state_.partList.Parts[static_cast<std::size_t>(selected)].IndicesInRange)
            return;
        glEnable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        const float s = static_cast<float>(std::sin(static_cast<double>(state_.view.FrameTime) / 500.0));
        glColor3f(0.0f, 0.5f + 0.2f * s, 0.5f + 0.35f * s);
        emit(static_cast<std::size_t>(selected));
    }

private:
    const ProgramState& state_;
    StripEmitter emitter_;
};

}  // namespace

void setVertexArraysEnabled(bool enabled) {
    for (const GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
        if (enabled)
            glEnableClientState(array);
        else
            glDisableClientState(array);
    }
}

void emitStrip(const VertexArray& vertices, const TriArray& indices, StripEmitter emitter) {
    if (emitter == StripEmitter::Immediate)
        emitImmediate(vertices, indices);
    else
        emitArrays(vertices, indices);
}

void AdvanceFrameClock(ViewState& view, uint32_t tick) {
    view.PreviousFrameTime = view.FrameTime;
    view.FrameTime = ((tick - view.StartTick) + view.PreviousFrameTime) >> 1;
}

bool PartInDetailRange(const ProgramState& state, int32_t part, const FrameControls& controls) {
    return !controls.UseLevelOfDetail || passesLevelOfDetail(state, part, controls.DetailLevel);
}

bool partIsDrawn(const ProgramState& state, std::size_t part, const FrameControls& controls) {
    const PartList& list = state.partList;
    return list.PartVisible[part] != 0 && list.Parts[part].IndicesInRange &&
           PartInDetailRange(state, static_cast<int32_t>(part), controls);
}

bool anyPartDrawn(const ProgramState& state, const FrameControls& controls) {
    if (!state.ModelLoaded) return false;
    const std::size_t count = drawablePartCount(state.partList);
    for (std::size_t part = 0; part < count; ++part)
        if (partIsDrawn(state, part, controls)) return true;
    return false;
}

void RenderFrame(ProgramState& state, const FrameControls& controls, StripEmitter emitter) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewState& view = state.view;
    glMatrixMode(GL_MODELVIEW);
    const Matrix4 camera = modelViewOf(view);
    glLoadMatrixf(camera.data());
    // Shows from the next frame on; the turn follows the clock, not the
    // number of frames.
    if (controls.Rotating)
        view.RotationY += static_cast<float>(static_cast<double>(view.FrameTime - view.PreviousFrameTime) / 50.0);
    if (!state.ModelLoaded) return;

    const std::size_t count = drawablePartCount(state.partList);
    const PartDrawer drawer(state, emitter);
    if (emitter == StripEmitter::VertexArrays) setVertexArraysEnabled(true);
    if (view.Wireframe) {
        drawer.wireframePass(count, controls);
    } else {
        drawer.solidPass(count, false, controls);
        drawer.solidPass(count, true, controls);
    }
    drawer.highlight(count);
    if (emitter == StripEmitter::VertexArrays) setVertexArraysEnabled(false);
}

void toggleWireframe(ViewState& view) {
    view.Wireframe = !view.Wireframe;
    ApplyPolygonMode(view);
}

void ApplyPolygonMode(const ViewState& view) {
    glPolygonMode(GL_FRONT_AND_BACK, view.Wireframe ? GL_LINE : GL_FILL);
}

}  // namespace korvex
