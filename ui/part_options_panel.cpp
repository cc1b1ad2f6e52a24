#include "part_options_panel.h"

#include "icons.h"
#include "part_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

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

void fillBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

PartOptionsPanel::PartOptionsPanel(ProgramState& state, ColourChooser& colours, QWidget* parent)
    : QWidget(parent), state_(state), colours_(colours) {
    setObjectName("GroupBox1");
    resize(217, 177);

    Group = placed(new QGroupBox("No Geometry Selected", this), 3, 6, 209, 107);
    Group->setObjectName("Group");
    fillBackground(Group, QPalette::Window, Qt::white);

    BitBtn1 = placed(new QPushButton(Group), 7, 21, 41, 38);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setIcon(icons::colourButton());
    BitBtn1->setIconSize(QSize(24, 24));
    Label1 = placed(new QLabel("Colour:", Group), 53, 22);
    Shape1 = placed(new ColourSwatch(Group), 55, 38, 27, 20);
    Shape1->setObjectName("Shape1");
    CheckBox1 = placed(new QCheckBox("Transparent", Group), 104, 23, 89, 17);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox2 = placed(new QCheckBox("Enviroment Map", Group), 104, 42, 97, 17);
    CheckBox2->setObjectName("CheckBox2");
    Label2 = placed(new QLabel("Texture:", Group), 8, 73);
    ComboBox1 = new QComboBox(Group);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->addItem("No Texture");
    placed(ComboBox1, 53, 71, 92);

    GroupBox2 = placed(new QGroupBox("Level Of Detail", this), 5, 113, 207, 64);
    GroupBox2->setObjectName("GroupBox2");
    TrackBar1 = placed(new QSlider(Qt::Horizontal, GroupBox2), 3, 11, 173, 33);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 100);
    TrackBar1->setValue(100);
    TrackBar1->setSingleStep(7);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(10);
    Label3 = placed(new QLabel("100%", GroupBox2), 176, 21);
    Label3->setObjectName("Label3");
    Label3->setMinimumWidth(30);
    Label3->resize(30, Label3->height());
    CheckBox3 = placed(new QCheckBox("Use Level of Detail", GroupBox2), 8, 45, 161, 16);
    CheckBox3->setObjectName("CheckBox3");
    CheckBox3->setChecked(true);
    for (QWidget* captioned :
         {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(CheckBox2), static_cast<QWidget*>(CheckBox3)})
        widenToFit(captioned);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    // Like the check boxes of the original toolkit, a change made in code
    // runs the handler too; it then writes back the value it was given.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });

    DisablePartOptions();
}

void PartOptionsPanel::setGroupEnabled(bool enabled) {
    for (QWidget* child : Group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setEnabled(enabled);
}

void PartOptionsPanel::ShowPartOptions(const QString& caption) {
    Group->setTitle(caption);
    setGroupEnabled(true);
    const GeometryPart* part = selectedPart(state_);
    if (part == nullptr) return;
    const uint8_t transparent = part->Transparent;
    const uint8_t environmentMapped = part->EnvironmentMapped;
    const int textureIndex = part->TextureIndex;
    CheckBox1->setChecked(transparent != 0);
    CheckBox2->setChecked(environmentMapped != 0);
    const auto rgb = swatchOf(*part);
    Shape1->setFill(QColor(rgb[0], rgb[1], rgb[2]));
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->setCurrentIndex(textureIndex);
}

void PartOptionsPanel::DisablePartOptions() {
    Group->setTitle("No Geometry Selected");
    setGroupEnabled(false);
}

void PartOptionsPanel::BitBtn1Click() {
    const auto colour = colours_.chooseColour();
    if (!colour) return;
    Shape1->setFill(QColor(static_cast<int>(*colour & 0xFF), static_cast<int>((*colour >> 8) & 0xFF),
                           static_cast<int>((*colour >> 16) & 0xFF)));
    if (GeometryPart* part = selectedPart(state_)) setPartColour(*part, *colour);
}

void PartOptionsPanel::CheckBox1Click() {
    if (GeometryPart* part = selectedPart(state_)) part->Transparent = CheckBox1->isChecked() ? 1 : 0;
}

void PartOptionsPanel::CheckBox2Click() {
    if (GeometryPart* part = selectedPart(state_)) part->EnvironmentMapped = CheckBox2->isChecked() ? 1 : 0;
}

void PartOptionsPanel::TrackBar1Change() {
    Label3->setText(QString::fromStdString(levelLabel(TrackBar1->value())));
}

}  // namespace korvex
