#include "scene.h"

#include "camera.h"
#include "textures/texture_upload.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <exception>

namespace korvex {

namespace {

void setLight(GLenum light, GLenum parameter, GLfloat a, GLfloat b, GLfloat c, GLfloat d) {
    const GLfloat values[] = {a, b, c, d};
    glLightfv(light, parameter, values);
}

void setMaterial(GLenum parameter, GLfloat a, GLfloat b, GLfloat c, GLfloat d) {
    const GLfloat values[] = {a, b, c, d};
    glMaterialfv(GL_FRONT_AND_BACK, parameter, values);
}

}  // namespace

void SetupScene(ProgramState& state, const std::filesystem::path& envPath, Prompts& prompts, TextureGl& textures) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ONE);
    // A second pass over the same triangles (reflection, highlight) must
    // pass the depth test the first one set.
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_2D);
    state.view.RotationX = StartRotationX;
    state.view.ZoomZ = StartZoomZ;
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);

    std::exception_ptr pictureFailure;
    try {
        if (const auto texture = LoadJpegFile(envPath, prompts, textures)) state.view.EnvTexture = *texture;
    } catch (...) {
        pictureFailure = std::current_exception();
    }

    // The model-view matrix is still the identity: both lights stay put
    // relative to the viewer while the model turns.
    setLight(GL_LIGHT0, GL_POSITION, 1.0f, 1.0f, 1.0f, 0.0f);
    setLight(GL_LIGHT0, GL_DIFFUSE, 1.0f, 1.0f, 1.0f, 1.0f);
    setLight(GL_LIGHT1, GL_POSITION, -1.0f, -1.0f, 0.0f, 0.0f);
    setLight(GL_LIGHT1, GL_DIFFUSE, 1.0f, 0.7f, 0.4f, 1.0f);
    setLight(GL_LIGHT1, GL_SPECULAR, 1.0f, 0.8f, 0.4f, 1.0f);
    setMaterial(GL_DIFFUSE, 0.5f, 0.5f, 0.5f, 1.0f);
    setMaterial(GL_SPECULAR, 1.0f, 1.0f, 1.0f, 1.0f);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    if (pictureFailure) std::rethrow_exception(pictureFailure);
}

void resizeView(int width, int height) {
    if (width <= 0 || height <= 0) return;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FieldOfViewY, static_cast<double>(width) / static_cast<double>(height), NearPlane, FarPlane);
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace korvex
