#include "about_box.h"

#include "ui/window_common.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>
#include <QUrl>

namespace korvex {

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && onClick) onClick();
}

namespace {

constexpr int BoxWidth = 550;
constexpr int BoxHeight = 200;
constexpr int SmallestFontPixels = 6;

// A heavy face for the name and a wide, plain one for the small print; where
// the designed faces are missing, ones of close width stand in.
const QStringList HeavyFaces{"Arial Black", "Archivo Black", "DejaVu Sans", "Liberation Sans", "Sans Serif"};
const QStringList SmallPrintFaces{"Verdana", "DejaVu Sans", "Bitstream Vera Sans", "Liberation Sans", "Sans Serif"};

QFont face(const QStringList& families, int pixels, QFont::Weight weight, bool italic) {
    QFont font(families);
    font.setPixelSize(pixels);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

// A low car in side view, facing right, within `box`.
QPainterPath carSilhouette(const QRectF& box) {
    const auto at = [&](double x, double y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath body;
    body.moveTo(at(0.02, 0.78));
    body.lineTo(at(0.03, 0.55));
    body.cubicTo(at(0.10, 0.48), at(0.22, 0.46), at(0.30, 0.44));
    body.cubicTo(at(0.40, 0.18), at(0.58, 0.14), at(0.70, 0.34));
    body.cubicTo(at(0.84, 0.40), at(0.95, 0.44), at(0.99, 0.58));
    body.lineTo(at(0.98, 0.78));
    body.closeSubpath();
    return body;
}

// The picture behind the whole box: a pale studio sky over a dark road, a car
// of light and speed lines trailing it.
QPixmap backgroundPicture() {
    QPixmap picture(BoxWidth, BoxHeight);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, BoxHeight);
    sky.setColorAt(0.0, QColor(0xf4, 0xf7, 0xfb));
    sky.setColorAt(0.62, QColor(0xd9, 0xe3, 0xee));
    sky.setColorAt(1.0, QColor(0xb8, 0xc6, 0xd6));
    painter.fillRect(picture.rect(), sky);

    const QRectF car(330, 38, 210, 92);
    painter.setPen(Qt::NoPen);
    for (int line = 0; line < 5; ++line) {
        const double y = 72 + line * 11;
        QLinearGradient trail(150, 0, car.left() + 20, 0);
        trail.setColorAt(0.0, QColor(0x5d, 0x86, 0xb0, 0));
        trail.setColorAt(1.0, QColor(0x5d, 0x86, 0xb0, 110));
        painter.setBrush(trail);
        painter.drawRoundedRect(QRectF(150 + line * 18, y, car.left() - 130 - line * 18, 3), 1.5, 1.5);
    }

    QLinearGradient paint(car.topLeft(), car.bottomLeft());
    paint.setColorAt(0.0, QColor(0x6f, 0x9c, 0xd0));
    paint.setColorAt(1.0, QColor(0x23, 0x4a, 0x7c));
    painter.setBrush(paint);
    painter.drawPath(carSilhouette(car));
    // The glass, a lighter band under the roof line.
    painter.setBrush(QColor(0xe8, 0xf0, 0xf8, 170));
    QPainterPath glass;
    glass.moveTo(car.left() + 0.36 * car.width(), car.top() + 0.44 * car.height());
    glass.cubicTo(car.left() + 0.44 * car.width(), car.top() + 0.26 * car.height(), car.left() + 0.57 * car.width(),
                  car.top() + 0.23 * car.height(), car.left() + 0.66 * car.width(), car.top() + 0.40 * car.height());
    glass.closeSubpath();
    painter.drawPath(glass);
    for (const double x : {0.24, 0.80}) {
        const QPointF hub(car.left() + x * car.width(), car.top() + 0.80 * car.height());
        QRadialGradient tyre(hub, 19);
        tyre.setColorAt(0.0, QColor(0xc8, 0xd0, 0xd8));
        tyre.setColorAt(0.45, QColor(0x8a, 0x94, 0xa0));
        tyre.setColorAt(0.55, QColor(0x20, 0x24, 0x2a));
        tyre.setColorAt(1.0, QColor(0x10, 0x12, 0x16));
        painter.setBrush(tyre);
        painter.drawEllipse(hub, 19, 19);
    }
    return picture;
}

// The picture that closes the box: a chequered flag beside an "OK".
QPixmap closePicture(int width, int height) {
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, 0.5, width - 1, height - 1);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0.0, QColor(0x3d, 0x6f, 0xa8));
    fill.setColorAt(1.0, QColor(0x1d, 0x3e, 0x68));
    painter.setPen(QColor(0x14, 0x2c, 0x4c));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 6, 6);

    const int square = (height - 10) / 3;
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            painter.setBrush((row + column) % 2 == 0 ? Qt::white : QColor(0x10, 0x10, 0x10));
            painter.drawRect(8 + column * square, 5 + row * square, square, square);
        }

    QFont font(HeavyFaces);
    font.setPixelSize(height / 2);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(8 + 4 * square, 0, width - 8 - 4 * square, height), Qt::AlignCenter, "OK");
    return picture;
}

bool textFits(const QLabel& label) {
    const QFontMetrics metrics(label.font());
    const QRect room = label.contentsRect();
    if (!label.wordWrap())
        return metrics.horizontalAdvance(label.text()) <= room.width() && metrics.height() <= room.height();
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, label.text());
    return needed.width() <= room.width() && needed.height() <= room.height();
}

QLabel* addLabel(QWidget* parent, const char* name, QRect geometry, std::string_view text, const QFont& font,
                 bool wrap = false) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(font);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(toQString(text));
    shrinkFontToFit(*label);
    return label;
}

}  // namespace

void shrinkFontToFit(QLabel& label) {
    QFont font = label.font();
    while (font.pixelSize() > SmallestFontPixels && !textFits(label)) {
        font.setPixelSize(font.pixelSize() - 1);
        label.setFont(font);
    }
}

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("AboutBox");
    setWindowTitle(toQString(AboutCaption));
    setModal(false);
    setFixedSize(BoxWidth, BoxHeight);

    backdrop = new QLabel(this);
    backdrop->setObjectName("backdrop");
    backdrop->setGeometry(0, 0, BoxWidth, BoxHeight);
    backdrop->setPixmap(backgroundPicture());

    titleLabel =
        addLabel(this, "titleLabel", {8, 2, 365, 49}, ApplicationTitle, face(HeavyFaces, 35, QFont::Bold, true));
    bylineLabel = addLabel(this, "bylineLabel", {8, 43, 147, 23}, ByLine, face(HeavyFaces, 17, QFont::Normal, true));
    versionLabel =
        addLabel(this, "versionLabel", {8, 75, 110, 24}, VersionText, face(HeavyFaces, 17, QFont::Normal, false));
    reportLabel = addLabel(this, "reportLabel", {8, 135, 201, 14}, ReportInvitation,
                           face(SmallPrintFaces, 11, QFont::Normal, false), true);

    addressLink = new ClickableLabel(this);
    addressLink->setObjectName("addressLink");
    addressLink->setGeometry(208, 135, 145, 14);
    QFont link = face(SmallPrintFaces, 11, QFont::Normal, false);
    link.setUnderline(true);
    addressLink->setFont(link);
    addressLink->setWordWrap(true);
    addressLink->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette blue = addressLink->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    addressLink->setPalette(blue);
    addressLink->setCursor(Qt::PointingHandCursor);
    addressLink->onClick = [this] { mailReport(); };

    disclaimerLabel = addLabel(this, "disclaimerLabel", {8, 156, 401, 43}, Disclaimer,
                               face(SmallPrintFaces, 9, QFont::Bold, false), true);

    okPicture = new ClickableLabel(this);
    okPicture->setObjectName("okPicture");
    okPicture->setGeometry(412, 159, 131, 34);
    okPicture->setPixmap(closePicture(131, 34));
    okPicture->setToolTip("Close");
    okPicture->onClick = [this] { okPictureClicked(); };

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AboutBox::showRaised() {
    show();
    raise();
    activateWindow();
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) prepareTexts();
}

void AboutBox::prepareTexts() {
    versionLabel->setText(toQString(VersionText));
    shrinkFontToFit(*versionLabel);
    addressLink->setText(toQString(ReportAddress));
    shrinkFontToFit(*addressLink);
}

void AboutBox::mailReport() {
    QDesktopServices::openUrl(QUrl("mailto:" + addressLink->text()));
}

void AboutBox::okPictureClicked() {
    hide();
}

}  // namespace korvex
