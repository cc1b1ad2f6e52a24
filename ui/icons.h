#pragma once
// The program's icons, drawn from vector paths so they stay sharp at every
// size and device pixel ratio instead of being scaled from a bitmap.

#include <QIcon>

namespace korvex::icons {

QIcon openFile();         // a folder opening
QIcon closeFile();        // a sheet with a red cross
QIcon manageTextures();   // stacked pictures, the front one checkered
QIcon hideAllParts();     // an eye struck through
QIcon showAllParts();     // an open eye
QIcon restoreSettings();  // a circular arrow turning back over a sheet
QIcon wireframe();        // a wire cube
QIcon untextureAll();     // a checkerboard with a cross
QIcon textureAll();       // a car body filled with a checkerboard
QIcon textureWheels();    // a wheel whose rim is a checkerboard
QIcon help();             // a question mark in a blue circle
QIcon about();            // an "i" in a circle
QIcon fileNode();         // tree: a model file, a sheet with a small cube
QIcon partNode();         // tree: one piece of the car, a shaded cube
QIcon noFileNode();       // tree: nothing loaded, a dashed grey sheet
QIcon colourButton();     // a painter's palette with colour dots
QIcon application();      // the window icon: the launcher's car on a dark tile
QIcon texturePicture();   // texture list item: a framed landscape with a sun
QIcon addTexture();       // the landscape with a green plus
QIcon removeTexture();    // the landscape with a red cross

}  // namespace korvex::icons
