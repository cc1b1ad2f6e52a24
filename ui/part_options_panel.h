#pragma once
// The "Geomerty Part Options" tab: the selected part's colour, flags and
// texture, and the level-of-detail slider below them.

#include "colour_chooser.h"
#include "model/program_state.h"

#include <QColor>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace korvex {

// A filled rectangle with a thin black border: the colour swatch.
class ColourSwatch : public QWidget {
public:
    explicit ColourSwatch(QWidget* parent);
    QColor fill() const { return fill_; }
    void setFill(QColor colour);
    // A click with the left button on the swatch.
    std::function<void()> onClicked;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor fill_;
};

class PartOptionsPanel : public QWidget {
    Q_OBJECT
public:
    PartOptionsPanel(ProgramState& state, ColourChooser& colours, QWidget* parent);

    // Shows the selected part's values, with `caption` over them.
    void ShowPartOptions(const QString& caption);
    // The "nothing selected" state; the controls keep what they showed.
    void DisablePartOptions();

    // What the controls do to the selected part.
    void choosePartColour();
    void transparentToggled();
    void reflectionToggled();
    void partTextureChosen();
    // The slider's label follows it; the view reads the slider itself.
    void detailChanged();

    QGroupBox* partGroup;
    QPushButton* colourButton;
    QLabel* colourLabel;
    ColourSwatch* colourSwatch;
    QCheckBox* transparentBox;
    QCheckBox* reflectionBox;
    QLabel* textureLabel;
    QComboBox* textureBox;
    QGroupBox* detailGroup;
    QSlider* detailSlider;
    QLabel* detailLabel;
    QCheckBox* useDetailBox;

private:
    // The controls at their designed places, captioned ones widened to fit.
    void placeControls();
    // A fallback face wider than the one the panel was laid out for may not
    // fit its captions even with the controls widened to the boxes' edges;
    // then the panel's text steps down a pixel at a time, by MostPixelsTaken
    // at most, until they fit.
    void fitCaptions();
    static constexpr int MostPixelsTaken = 2;
    void setGroupEnabled(bool enabled);
    // The heading over the part's controls, cut to the frame with the whole
    // of it in the tip.
    void showHeading(const QString& caption);

    ProgramState& state_;
    ColourChooser& colours_;
};

}  // namespace korvex
