#pragma once
// Everything the viewer knows about the open model, in one place. The main
// window owns one of these and hands it by reference to whoever needs it; a
// test can build as many as it likes.

#include "model_records.h"
#include "part_tree.h"

#include <cstdint>
#include <filesystem>

namespace korvex {

enum class MouseButton : uint8_t { Left = 0, Right = 1, Middle = 2 };

// Where the camera starts, and where resetting the view puts it back.
inline constexpr float StartRotationX = 20.0f;
inline constexpr float StartZoomZ = -4.0f;

// The camera, the drag in progress and the frame clock: what the 3-D view,
// its mouse handlers and the window's drag bars share. A press on any of
// them starts a drag, a release on any ends it.
struct ViewState {
    uint32_t StartTick = 0;                // millisecond tick at which the frame clock started
    uint32_t FrameTime = 0;                // smoothed milliseconds since StartTick
    uint32_t PreviousFrameTime = 0;        // FrameTime of the frame before
    float RotationY = 0.0f;                // degrees about the vertical axis
    float RotationX = StartRotationX;      // degrees of tilt towards the viewer
    float ZoomZ = StartZoomZ;              // distance along the viewing axis; never above 0 by dragging
    float PanX = 0.0f, PanY = 0.0f;        // sideways and upward shift of the model in eye space, in scene units
    float Centre[3] = {0.0f, 0.0f, 0.0f};  // the model point the view turns about and looks at
    // Size of the view in the pixels its mouse positions are given in; 0 until it is first sized.
    int32_t ViewportWidth = 0, ViewportHeight = 0;
    bool Dragging = false;
    bool Panning = false;    // the drag in progress shifts the model instead of turning it
    int32_t LastMouseX = 0;  // pointer position at the press or the last move, in the pressed panel
    int32_t LastMouseY = 0;
    MouseButton DragButton = MouseButton::Left;
    bool Wireframe = false;  // "Toggle Wireframe"
    // The scene colours as last chosen, 0x00BBGGRR: the background starts
    // black, the backlight warm (diffuse 1.0, 0.7, 0.4).
    uint32_t BackgroundColour = 0x000000;
    uint32_t BacklightColour = 0x66B3FF;
    uint32_t EnvTexture = 0;  // OpenGL texture of the reflection picture; 0 while there is none
};

// The window's controls that every frame reads.
struct FrameControls {
    bool Rotating = true;          // "Rotating" on the Options menu
    bool UseLevelOfDetail = true;  // "Use Level of Detail"
    int32_t DetailLevel = 100;     // the level-of-detail slider, 0 to 100
};

struct ProgramState {
    PartList partList;
    StringTables stringTables;
    PartTree tree;
    // Settings rows of the last opened model; kept when the model is closed.
    GeomDataTable geomData;
    // The settings file those rows were read from; empty when the model
    // had none (its rows are the defaults).
    std::filesystem::path SettingsPath;
    // The program's textures; they outlive every model.
    TextureLibrary textureLibrary;
    bool ModelLoaded = false;
    // The file the last open named, whether or not it loaded.
    std::filesystem::path ModelPath;
    int32_t SelectedPart = -1;  // part index of the selected tree node, or -1
    ViewState view;
};

}  // namespace korvex
