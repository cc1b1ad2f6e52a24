#include "part_options_panel.h"

#include "icons.h"
#include "part_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
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
    setObjectName("GroupBox1");
    resize(217, 177);

    Group = new QGroupBox("No Geometry Selected", this);
    Group->setObjectName("Group");
    fillBackground(Group, QPalette::Window, Qt::white);
    BitBtn1 = new QPushButton(Group);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setIcon(icons::colourButton());
    BitBtn1->setIconSize(QSize(24, 24));
    Label1 = new QLabel("Colour:", Group);
    Shape1 = new ColourSwatch(Group);
    Shape1->setObjectName("Shape1");
    CheckBox1 = new QCheckBox("Transparent", Group);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox2 = new QCheckBox("Enviroment Map", Group);
    CheckBox2->setObjectName("CheckBox2");
    Label2 = new QLabel("Texture:", Group);
    ComboBox1 = new QComboBox(Group);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    // Typing into the box names no new texture; only the library adds them.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItem("No Texture");

    GroupBox2 = new QGroupBox("Level Of Detail", this);
    GroupBox2->setObjectName("GroupBox2");
    TrackBar1 = new QSlider(Qt::Horizontal, GroupBox2);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 100);
    TrackBar1->setValue(100);
    TrackBar1->setSingleStep(7);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(10);
    // Made with its widest value showing, so that fitting the captions allows for it.
    Label3 = new QLabel("100%", GroupBox2);
    Label3->setObjectName("Label3");
    Label3->setMinimumWidth(30);
    CheckBox3 = new QCheckBox("Use Level of Detail", GroupBox2);
    CheckBox3->setObjectName("CheckBox3");
    CheckBox3->setChecked(true);
    fitCaptions();

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    // Like the check boxes of the original toolkit, a change made in code
    // runs the handler too; it then writes back the value it was given.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    // Only the user's choices: the box is filled and set without signalling.
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });

    DisablePartOptions();
}

void PartOptionsPanel::placeControls() {
    placed(Group, 3, 6, 209, 107);
    placed(BitBtn1, 7, 21, 41, 38);
    placed(Label1, 53, 22);
    placed(Shape1, 55, 38, 27, 20);
    placed(CheckBox1, 104, 23, 89, 17);
    placed(CheckBox2, 104, 42, 97, 17);
    placed(Label2, 8, 73);
    placed(ComboBox1, 53, 71, 92);
    placed(GroupBox2, 5, 113, 207, 64);
    placed(TrackBar1, 3, 11, 173, 33);
    placed(Label3, 176, 21, 30);
    placed(CheckBox3, 8, 45, 161, 16);
    for (QWidget* captioned :
         {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(CheckBox2), static_cast<QWidget*>(CheckBox3)})
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

void PartOptionsPanel::ComboBox1Change() {
    korvex::ComboBox1Change(state_, ComboBox1->currentIndex());
}

void PartOptionsPanel::TrackBar1Change() {
    Label3->setText(QString::fromStdString(levelLabel(TrackBar1->value())));
}

}  // namespace korvex
