#include "part_options_panel.h"

#include "icons.h"
#include "part_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace korvex {

ColourSwatch::ColourSwatch(QWidget* parent) : QWidget(parent), fill_(180, 180, 180) {}

void ColourSwatch::setFill(QColor colour) {
    fill_ = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(fill_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClicked) onClicked();
}

namespace {

template <typename Widget>
Widget* placed(Widget* widget, int left, int top, int width = -1, int height = -1) {
    const QSize hint = widget->sizeHint();
    widget->setGeometry(left, top, width < 0 ? hint.width() : width, height < 0 ? hint.height() : height);
    return widget;
}

// A caption drawn in a wider face than the one the panel was laid out for
// may need more room; it gets it, as far as the enclosing box allows.
void widenToFit(QWidget* widget) {
    const int room = widget->parentWidget()->width() - widget->x() - 2;
    widget->resize(std::min(std::max(widget->width(), widget->sizeHint().width()), room), widget->height());
}

// The width a control leaves for its caption: beside a check box's indicator,
// or inside a label's margins.
int captionRoom(const QLabel* label) {
    return label->contentsRect().width() - 2 * label->margin();
}
int captionRoom(const QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
}

template <typename Captioned>
bool showsWholeCaption(const Captioned* widget) {
    return widget->fontMetrics().horizontalAdvance(widget->text()) <= captionRoom(widget);
}

void fillBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

PartOptionsPanel::PartOptionsPanel(ProgramState& state, ColourChooser& colours, QWidget* parent)
    : QWidget(parent), state_(state), colours_(colours) {
    setObjectName("optionsPanel");
    resize(217, 177);

    partGroup = new QGroupBox("No Geometry Selected", this);
    partGroup->setObjectName("partGroup");
    fillBackground(partGroup, QPalette::Window, Qt::white);
    colourButton = new QPushButton(partGroup);
    colourButton->setObjectName("colourButton");
    colourButton->setIcon(icons::colourButton());
    colourButton->setIconSize(QSize(24, 24));
    colourLabel = new QLabel("Colour:", partGroup);
    colourSwatch = new ColourSwatch(partGroup);
    colourSwatch->setObjectName("colourSwatch");
    colourSwatch->setCursor(Qt::PointingHandCursor);
    colourSwatch->setToolTip("Click to choose the part's colour");
    // The swatch opens the chooser as the button beside it does.
    colourSwatch->onClicked = [this] { colourButton->click(); };
    transparentBox = new QCheckBox("Transparent", partGroup);
    transparentBox->setObjectName("transparentBox");
    reflectionBox = new QCheckBox("Enviroment Map", partGroup);
    reflectionBox->setObjectName("reflectionBox");
    textureLabel = new QLabel("Texture:", partGroup);
    textureBox = new QComboBox(partGroup);
    textureBox->setObjectName("textureBox");
    // Only the library's textures can be chosen: typing picks one by its
    // first letters and names no texture of its own.
    textureBox->setEditable(false);
    textureBox->addItem("No Texture");

    detailGroup = new QGroupBox("Level Of Detail", this);
    detailGroup->setObjectName("detailGroup");
    detailSlider = new QSlider(Qt::Horizontal, detailGroup);
    detailSlider->setObjectName("detailSlider");
    detailSlider->setRange(0, 100);
    detailSlider->setValue(100);
    detailSlider->setSingleStep(7);
    detailSlider->setPageStep(1);
    detailSlider->setTickPosition(QSlider::TicksBothSides);
    detailSlider->setTickInterval(10);
    // Made with its widest value showing, so that fitting the captions allows for it.
    detailLabel = new QLabel("100%", detailGroup);
    detailLabel->setObjectName("detailLabel");
    detailLabel->setMinimumWidth(30);
    useDetailBox = new QCheckBox("Use Level of Detail", detailGroup);
    useDetailBox->setObjectName("useDetailBox");
    useDetailBox->setChecked(true);
    fitCaptions();

    connect(colourButton, &QPushButton::clicked, this, [this] { choosePartColour(); });
    // Like the check boxes of the original toolkit, a change made in code
    // runs the handler too; it then writes back the value it was given.
    connect(transparentBox, &QCheckBox::toggled, this, [this] { transparentToggled(); });
    connect(reflectionBox, &QCheckBox::toggled, this, [this] { reflectionToggled(); });
    connect(detailSlider, &QSlider::valueChanged, this, [this] { detailChanged(); });
    // Only the user's choices: the box is filled and set without signalling.
    connect(textureBox, &QComboBox::activated, this, [this] { partTextureChosen(); });

    DisablePartOptions();
}

void PartOptionsPanel::placeControls() {
    placed(partGroup, 3, 6, 209, 107);
    placed(colourButton, 7, 21, 41, 38);
    placed(colourLabel, 53, 22);
    placed(colourSwatch, 55, 38, 27, 20);
    placed(transparentBox, 104, 23, 89, 17);
    placed(reflectionBox, 104, 42, 97, 17);
    placed(textureLabel, 8, 73);
    placed(textureBox, 53, 71, 150);
    // Inside the frame, below its title: the ticks clear the frame and the
    // value keeps off its edge; the group and the panel grow to hold them.
    placed(detailGroup, 5, 113, 207, 64);
    const int inside = detailGroup->contentsRect().top();
    placed(detailSlider, 4, inside + 2, 160, 27);
    placed(detailLabel, 168, inside + 7, 34);
    placed(useDetailBox, 8, inside + 31, 161, 16);
    detailGroup->resize(detailGroup->width(), std::max(64, inside + 31 + 16 + 4));
    resize(width(), detailGroup->geometry().bottom() + 1);
    for (QWidget* captioned : {static_cast<QWidget*>(transparentBox), static_cast<QWidget*>(reflectionBox),
                               static_cast<QWidget*>(useDetailBox)})
        widenToFit(captioned);
}

void PartOptionsPanel::fitCaptions() {
    const int designed = QFontInfo(font()).pixelSize();
    for (int pixels = designed;; --pixels) {
        placeControls();
        if (pixels <= designed - MostPixelsTaken) return;
        const auto labels = findChildren<QLabel*>();
        const auto boxes = findChildren<QCheckBox*>();
        if (std::all_of(labels.begin(), labels.end(), showsWholeCaption<QLabel>) &&
            std::all_of(boxes.begin(), boxes.end(), showsWholeCaption<QCheckBox>))
            return;
        QFont smaller = font();
        smaller.setPixelSize(pixels - 1);
        setFont(smaller);
    }
}

void PartOptionsPanel::setGroupEnabled(bool enabled) {
    for (QWidget* child : partGroup->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setEnabled(enabled);
}

void PartOptionsPanel::showHeading(const QString& caption) {
    // The frame's title has the group's width less its frame and margins.
    const int room = partGroup->width() - 2 * partGroup->fontMetrics().averageCharWidth() - 8;
    const QString shown = partGroup->fontMetrics().elidedText(caption, Qt::ElideRight, room);
    partGroup->setTitle(shown);
    partGroup->setToolTip(shown == caption ? QString() : caption);
}

void PartOptionsPanel::ShowPartOptions(const QString& caption) {
    showHeading(caption);
    setGroupEnabled(true);
    const GeometryPart* part = selectedPart(state_);
    if (part == nullptr) return;
    const uint8_t transparent = part->Transparent;
    const uint8_t environmentMapped = part->EnvironmentMapped;
    const int textureIndex = part->TextureIndex;
    transparentBox->setChecked(transparent != 0);
    reflectionBox->setChecked(environmentMapped != 0);
    const auto rgb = swatchOf(*part);
    colourSwatch->setFill(QColor(rgb[0], rgb[1], rgb[2]));
    const QSignalBlocker quiet(textureBox);
    textureBox->setCurrentIndex(textureIndex);
    // A name too long for the box is read whole in its tip.
    textureBox->setToolTip(textureBox->currentText());
}

void PartOptionsPanel::DisablePartOptions() {
    showHeading("No Geometry Selected");
    setGroupEnabled(false);
}

void PartOptionsPanel::choosePartColour() {
    const GeometryPart* part = selectedPart(state_);
    if (part == nullptr) return;
    const auto colour = colours_.chooseColour(chosenColourOf(*part));
    if (!colour) return;
    colourSwatch->setFill(QColor(static_cast<int>(*colour & 0xFF), static_cast<int>((*colour >> 8) & 0xFF),
                                 static_cast<int>((*colour >> 16) & 0xFF)));
    if (GeometryPart* chosenFor = selectedPart(state_)) setPartColour(*chosenFor, *colour);
}

void PartOptionsPanel::transparentToggled() {
    if (GeometryPart* part = selectedPart(state_)) part->Transparent = transparentBox->isChecked() ? 1 : 0;
}

void PartOptionsPanel::reflectionToggled() {
    if (GeometryPart* part = selectedPart(state_)) part->EnvironmentMapped = reflectionBox->isChecked() ? 1 : 0;
}

void PartOptionsPanel::partTextureChosen() {
    textureBox->setToolTip(textureBox->currentText());
    setSelectedPartTexture(state_, textureBox->currentIndex());
}

void PartOptionsPanel::detailChanged() {
    detailLabel->setText(QString::fromStdString(levelLabel(detailSlider->value())));
}

}  // namespace korvex
