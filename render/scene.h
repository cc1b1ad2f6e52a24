#pragma once
// The fixed OpenGL state every frame relies on, and the projection that
// follows the view's size. Plain OpenGL on the context that is current.

#include "model/program_state.h"
#include "model/user_io.h"
#include "textures/texture_gl.h"

#include <filesystem>

namespace korvex {

// Lights, material, depth test, additive blending, sphere-map generation
// (left disabled) and the reflection picture from `envPath` into
// view.EnvTexture. A picture that cannot be read is reported by the JPEG
// loader and leaves EnvTexture at 0; a failure in its data is thrown once
// the rest of the scene has been set up, so the view works either way.
void SetupScene(ProgramState& state, const std::filesystem::path& envPath, Prompts& prompts, TextureGl& textures);

// Viewport and a 60-degree perspective for a view of `width` x `height`
// pixels. A view without width or height keeps the projection it had.
void resizeView(int width, int height);

}  // namespace korvex
