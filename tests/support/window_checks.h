#pragma once
// Checks of real windows under an X server: the titles the server holds,
// and captions and controls that fit.

#include <QImage>
#include <QWidget>

#include <functional>
#include <string>

namespace korvex::fixtures {

// The title that the X server holds for `window`, as a window manager reads it.
std::string x11Title(QWidget& window);

// The share of `image`'s pixels that are not black (0 for no image).
double litShare(const QImage& image);

// The X title of the message box that `show` puts up, read while the box is
// up and then closed, since the box waits for the user.
std::string titleOfBoxShownBy(const std::function<void()>& show);

// How many pixels of a control's caption fall outside the room the control
// gives it (pixels of height for a label that wraps); at most 0 when all of
// it shows.
int captionOverflow(const QWidget& widget);

// A check box, label, button or titled box whose caption is cut, or any
// control that reaches outside its parent or over a sibling, in `root`.
void expectCaptionsAndControlsFit(QWidget& root);

}  // namespace korvex::fixtures
