#include "ui/icons.h"

#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

namespace korvex::icons {
namespace {

// Every icon is drawn in this many units square; outlines sit on half units
// so that a 16 px icon gets whole-pixel lines.
constexpr qreal kGrid = 16.0;

// One palette for all icons, so the toolbar reads as a set.
namespace colour {
constexpr QColor ink(0x2e, 0x36, 0x42);
constexpr QColor paper(0xfb, 0xfc, 0xfd);
constexpr QColor paperShade(0xd8, 0xde, 0xe6);
constexpr QColor amber(0xf6, 0xc8, 0x5a);
constexpr QColor amberLight(0xfb, 0xdf, 0x8e);
constexpr QColor amberDark(0xb0, 0x7a, 0x18);
constexpr QColor blue(0x35, 0x7a, 0xd6);
constexpr QColor blueLight(0xa9, 0xcb, 0xf3);
constexpr QColor blueDark(0x1d, 0x55, 0xa3);
constexpr QColor red(0xd8, 0x3a, 0x34);
constexpr QColor yellow(0xf2, 0xc2, 0x1b);
constexpr QColor green(0x34, 0xa0, 0x52);
constexpr QColor checkDark(0x4f, 0x5b, 0x6b);
constexpr QColor checkLight(0xf1, 0xf3, 0xf6);
constexpr QColor steel(0x8a, 0x94, 0xa0);
constexpr QColor silver(0xd9, 0xde, 0xe5);
constexpr QColor wood(0xe8, 0xc0, 0x88);
constexpr QColor woodDark(0x9c, 0x6c, 0x32);
constexpr QColor ghost(0x9a, 0xa3, 0xae);
}  // namespace colour

using Draw = std::function<void(QPainter&)>;

// Disabled buttons must not depend on the style to look inactive, so the
// greying is done here: luminance only, lifted towards grey, half faded.
QImage greyed(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int luma = qGray(pixel);
            const int grey = 72 + luma * 6 / 10;
            line[x] = qRgba(grey, grey, grey, qAlpha(pixel) * 55 / 100);
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class VectorIconEngine final : public QIconEngine {
public:
    explicit VectorIconEngine(Draw draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (rect.isEmpty()) return;
        if (mode == QIcon::Disabled) {
            // Greying works on pixels, so render at the device's resolution first.
            const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
            const QSize deviceSize(qRound(rect.width() * dpr), qRound(rect.height() * dpr));
            QImage image = render(deviceSize, mode);
            image.setDevicePixelRatio(dpr);
            painter->drawImage(rect.topLeft(), image);
            return;
        }
        painter->save();
        drawIn(*painter, rect);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // QIcon asks for the size in device pixels here; drawing at that size
    // rather than scaling a small pixmap is what keeps high-DPI icons sharp.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        if (size.isEmpty()) return {};
        QPixmap pixmap = QPixmap::fromImage(render(size, mode));
        pixmap.setDevicePixelRatio(scale > 0 ? scale : 1.0);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new VectorIconEngine(draw_); }
    QString key() const override { return QStringLiteral("korvex.vector"); }
    bool isNull() override { return !draw_; }

private:
    // Keeps the drawing square and centred when the target is not.
    void drawIn(QPainter& painter, const QRectF& rect) const {
        const qreal side = std::min(rect.width(), rect.height());
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter.scale(side / kGrid, side / kGrid);
        draw_(painter);
    }

    QImage render(const QSize& size, QIcon::Mode mode) const {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            drawIn(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        return mode == QIcon::Disabled ? greyed(image) : image;
    }

    Draw draw_;
};

QIcon makeIcon(Draw draw) {
    return QIcon(new VectorIconEngine(std::move(draw)));
}

QPen outline(QColor colour = colour::ink, qreal width = 1.0) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A checkerboard of `cell` squares starting dark at the top-left of `area`;
// callers clip it to the shape it fills.
void checker(QPainter& p, const QRectF& area, qreal cell) {
    p.fillRect(area, colour::checkLight);
    const int columns = static_cast<int>(std::ceil(area.width() / cell));
    const int rows = static_cast<int>(std::ceil(area.height() / cell));
    for (int row = 0; row < rows; ++row) {
        for (int column = row % 2; column < columns; column += 2) {
            const QRectF square(area.x() + column * cell, area.y() + row * cell, cell, cell);
            p.fillRect(square & area, colour::checkDark);
        }
    }
}

// A red cross with a white halo so it stays readable over any picture.
void redCross(QPainter& p, QPointF centre, qreal half) {
    QPainterPath cross;
    cross.moveTo(centre + QPointF(-half, -half));
    cross.lineTo(centre + QPointF(half, half));
    cross.moveTo(centre + QPointF(half, -half));
    cross.lineTo(centre + QPointF(-half, half));
    p.strokePath(cross, outline(Qt::white, 4.0));
    p.strokePath(cross, outline(colour::red, 2.0));
}

// A framed landscape, the generic sign for a picture: sky, a snow-capped
// mountain, a green hill in front and a sun. The badge icons draw over it,
// so its features stay clear of the lower-right quarter where they can.
void landscape(QPainter& p) {
    const QRectF frame(1.5, 2.5, 13, 11);
    p.save();
    p.setClipRect(frame);
    QLinearGradient sky(0, frame.top(), 0, frame.bottom());
    sky.setColorAt(0, colour::blueLight);
    sky.setColorAt(1, colour::paper);
    p.fillRect(frame, sky);

    p.setPen(Qt::NoPen);
    p.setBrush(colour::amber);
    p.drawEllipse(QPointF(11.5, 5.5), 1.6, 1.6);

    // Lit from the top left like the cubes: a light face, a dark face and
    // a snow cap, which reads at 16 px where an outline would smear.
    p.setBrush(colour::blue);
    p.drawPolygon(QPolygonF{{0, 14}, {6, 4.5}, {6, 14}});
    p.setBrush(colour::blueDark);
    p.drawPolygon(QPolygonF{{6, 4.5}, {12, 14}, {6, 14}});
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{6, 4.5}, {7.9, 7.5}, {6.9, 7.0}, {6, 8.0}, {5.1, 7.0}, {4.1, 7.5}});

    QPainterPath hill;
    hill.moveTo(1, 14);
    hill.lineTo(1, 11.5);
    hill.quadTo(7, 8.8, 15, 10.8);
    hill.lineTo(15, 14);
    hill.closeSubpath();
    p.setPen(outline(colour::green.darker(140), 0.8));
    p.setBrush(colour::green);
    p.drawPath(hill);
    p.restore();

    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
}

// A green plus with a white halo, the counterpart of redCross.
void greenPlus(QPainter& p, QPointF c, qreal half, qreal thickness) {
    const qreal t = thickness / 2;
    const QPolygonF plus{{c.x() - t, c.y() - half}, {c.x() + t, c.y() - half}, {c.x() + t, c.y() - t},
                         {c.x() + half, c.y() - t}, {c.x() + half, c.y() + t}, {c.x() + t, c.y() + t},
                         {c.x() + t, c.y() + half}, {c.x() - t, c.y() + half}, {c.x() - t, c.y() + t},
                         {c.x() - half, c.y() + t}, {c.x() - half, c.y() - t}, {c.x() - t, c.y() - t}};
    p.setPen(outline(Qt::white, 2.0));
    p.setBrush(colour::green);
    p.drawPolygon(plus);
    p.setPen(Qt::NoPen);
    p.drawPolygon(plus);
}

// A sheet of paper with its top-right corner folded over.
void sheet(QPainter& p, const QRectF& r, qreal fold, const QBrush& fill, const QPen& pen) {
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - fold, r.top());
    body.lineTo(r.right(), r.top() + fold);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.setPen(pen);
    p.setBrush(fill);
    p.drawPath(body);

    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(colour::paperShade);
    p.drawPath(corner);
}

// An isometric cube lit from the top left: light top, mid left, dark right.
void shadedCube(QPainter& p, QPointF c, qreal radius, qreal penWidth) {
    const qreal dx = radius * std::numbers::sqrt3 / 2;
    const qreal dy = radius / 2;
    const QPointF top(c.x(), c.y() - radius);
    const QPointF upperRight(c.x() + dx, c.y() - dy);
    const QPointF lowerRight(c.x() + dx, c.y() + dy);
    const QPointF bottom(c.x(), c.y() + radius);
    const QPointF lowerLeft(c.x() - dx, c.y() + dy);
    const QPointF upperLeft(c.x() - dx, c.y() - dy);

    p.setPen(outline(colour::ink, penWidth));
    p.setBrush(colour::blueLight);
    p.drawPolygon(QPolygonF{top, upperRight, c, upperLeft});
    p.setBrush(colour::blue);
    p.drawPolygon(QPolygonF{upperLeft, c, bottom, lowerLeft});
    p.setBrush(colour::blueDark);
    p.drawPolygon(QPolygonF{c, upperRight, lowerRight, bottom});
}

// An arc with an arrowhead at its end, pointing the way the arc turns.
// Angles follow QPainterPath::arcTo: degrees, counter-clockwise from 3 o'clock.
void circularArrow(QPainter& p, QPointF c, qreal radius, qreal startDeg, qreal sweepDeg, const QColor& colour) {
    const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, sweepDeg);

    const qreal end = (startDeg + sweepDeg) * std::numbers::pi / 180;
    const QPointF tip(c.x() + radius * std::cos(end), c.y() - radius * std::sin(end));
    const qreal turn = sweepDeg >= 0 ? 1.0 : -1.0;
    const QPointF ahead(-std::sin(end) * turn, -std::cos(end) * turn);
    const QPointF across(-ahead.y(), ahead.x());
    const QPolygonF head{tip + ahead * 2.2, tip + across * 2.3, tip - across * 2.3};

    p.strokePath(arc, outline(Qt::white, 3.6));
    p.setPen(outline(Qt::white, 1.6));
    p.setBrush(Qt::white);
    p.drawPolygon(head);
    p.strokePath(arc, outline(colour, 1.7));
    p.setPen(outline(colour, 0.6));
    p.setBrush(colour);
    p.drawPolygon(head);
}

QPainterPath eyeShape() {
    QPainterPath eye;
    eye.moveTo(0.8, 8);
    eye.quadTo(8, 0.6, 15.2, 8);
    eye.quadTo(8, 15.4, 0.8, 8);
    eye.closeSubpath();
    return eye;
}

void eye(QPainter& p, const QColor& iris) {
    p.setPen(outline());
    p.setBrush(colour::paper);
    p.drawPath(eyeShape());
    p.setPen(outline(colour::ink, 0.8));
    p.setBrush(iris);
    p.drawEllipse(QPointF(8, 8), 3.1, 3.1);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::ink);
    p.drawEllipse(QPointF(8, 8), 1.4, 1.4);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(9.1, 6.9), 0.7, 0.7);
}

QPainterPath carBody() {
    QPainterPath body;
    body.moveTo(0.8, 12);
    body.lineTo(0.8, 8.8);
    body.quadTo(1.0, 7.4, 2.6, 7.2);
    body.lineTo(4.6, 6.9);
    body.quadTo(6.2, 4.0, 8.4, 3.9);
    body.lineTo(9.8, 3.9);
    body.quadTo(11.4, 4.1, 12.8, 6.7);
    body.lineTo(14.0, 7.1);
    body.quadTo(15.2, 7.6, 15.2, 9.0);
    body.lineTo(15.2, 12);
    body.closeSubpath();
    QPainterPath arches;
    arches.addEllipse(QPointF(4.4, 12), 2.7, 2.7);
    arches.addEllipse(QPointF(11.6, 12), 2.7, 2.7);
    return body.subtracted(arches);
}

void drawOpenFile(QPainter& p) {
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 2.5);
    back.lineTo(5.5, 2.5);
    back.lineTo(7.0, 4.5);
    back.lineTo(12.5, 4.5);
    back.lineTo(12.5, 7.5);
    p.setPen(outline(colour::amberDark));
    p.setBrush(colour::amber);
    p.drawPath(back);

    // A sheet peeking out shows the folder is open, not just tilted.
    p.setBrush(colour::paper);
    p.setPen(outline(colour::steel));
    p.drawRect(QRectF(3.5, 5.5, 8, 4));

    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4.0, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.0, 13.5);
    front.closeSubpath();
    p.setPen(outline(colour::amberDark));
    p.setBrush(colour::amberLight);
    p.drawPath(front);
}

void drawCloseFile(QPainter& p) {
    sheet(p, QRectF(2.5, 1.5, 10, 13), 3.5, colour::paper, outline());
    p.setPen(outline(colour::steel));
    for (const qreal y : {5.5, 7.5, 9.5}) p.drawLine(QPointF(4.5, y), QPointF(10.5, y));
    redCross(p, QPointF(11.2, 11.2), 2.6);
}

void drawManageTextures(QPainter& p) {
    p.setPen(outline());
    p.setBrush(colour::blueLight);
    p.drawRect(QRectF(5.5, 1.5, 9, 9));
    p.setBrush(colour::blue);
    p.setPen(Qt::NoPen);
    // The back picture shows a hill so the pair reads as "images".
    p.drawPolygon(QPolygonF{{6, 10}, {9.5, 5.5}, {12, 8}, {13, 7}, {14, 10}});

    p.save();
    p.setClipRect(QRectF(1.5, 5.5, 9, 9));
    checker(p, QRectF(1.5, 5.5, 9, 9), 3);
    p.restore();
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 5.5, 9, 9));
}

void drawHideAllParts(QPainter& p) {
    eye(p, colour::steel);
    QPainterPath slash;
    slash.moveTo(2.5, 13.5);
    slash.lineTo(13.5, 2.5);
    p.strokePath(slash, outline(Qt::white, 3.8));
    p.strokePath(slash, outline(colour::red, 1.8));
}

void drawShowAllParts(QPainter& p) {
    eye(p, colour::blue);
}

void drawRestoreSettings(QPainter& p) {
    sheet(p, QRectF(1.5, 0.5, 9, 12), 3, colour::paper, outline());
    p.setPen(outline(colour::steel));
    for (const qreal y : {4.5, 6.5, 8.5}) p.drawLine(QPointF(3.5, y), QPointF(8.5, y));
    circularArrow(p, QPointF(10.5, 10.5), 3.5, -60, 250, colour::blue);
}

void drawWireframe(QPainter& p) {
    // The three edges behind the cube are faint so the cube has a clear front.
    p.setPen(QPen(colour::blueLight, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 10.5), QPointF(5.5, 1.5));
    p.drawLine(QPointF(5.5, 10.5), QPointF(14.5, 10.5));
    p.drawLine(QPointF(5.5, 10.5), QPointF(1.5, 14.5));

    p.setPen(outline(colour::blueDark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 5.5, 9, 9));
    p.drawPolyline(QPolygonF{{1.5, 5.5}, {5.5, 1.5}, {14.5, 1.5}, {14.5, 10.5}, {10.5, 14.5}});
    p.drawLine(QPointF(10.5, 5.5), QPointF(14.5, 1.5));

    p.setPen(Qt::NoPen);
    p.setBrush(colour::blue);
    for (const QPointF corner : {QPointF(1.5, 5.5), QPointF(10.5, 5.5), QPointF(1.5, 14.5), QPointF(10.5, 14.5),
                                 QPointF(5.5, 1.5), QPointF(14.5, 1.5), QPointF(14.5, 10.5)})
        p.drawEllipse(corner, 1.1, 1.1);
}

void drawUntextureAll(QPainter& p) {
    checker(p, QRectF(1.5, 1.5, 13, 13), 3.25);
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    redCross(p, QPointF(8, 8), 4.5);
}

void drawTextureAll(QPainter& p) {
    const QPainterPath body = carBody();
    p.save();
    p.setClipPath(body);
    checker(p, QRectF(0, 2, 16, 12), 2);
    p.restore();
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    for (const qreal x : {4.4, 11.6}) {
        p.setBrush(colour::ink);
        p.drawEllipse(QPointF(x, 12), 2.0, 2.0);
        p.setPen(Qt::NoPen);
        p.setBrush(colour::silver);
        p.drawEllipse(QPointF(x, 12), 0.9, 0.9);
        p.setPen(outline());
    }
}

void drawTextureWheels(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour::ink);
    p.drawEllipse(QPointF(8, 8), 7.4, 7.4);
    QPainterPath rim;
    rim.addEllipse(QPointF(8, 8), 5.3, 5.3);
    p.save();
    p.setClipPath(rim);
    checker(p, QRectF(2.7, 2.7, 10.6, 10.6), 2.65);
    p.restore();
    p.setPen(outline(colour::steel, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rim);
    p.setPen(outline(colour::ink, 0.8));
    p.setBrush(colour::silver);
    p.drawEllipse(QPointF(8, 8), 1.5, 1.5);
}

void drawHelp(QPainter& p) {
    QLinearGradient fill(0, 1, 0, 15);
    fill.setColorAt(0, colour::blue.lighter(115));
    fill.setColorAt(1, colour::blueDark);
    p.setPen(outline(colour::blueDark));
    p.setBrush(fill);
    p.drawEllipse(QPointF(8, 8), 7, 7);

    QPainterPath mark;
    mark.moveTo(5.6, 6.0);
    mark.cubicTo(5.6, 4.2, 6.8, 3.4, 8.0, 3.4);
    mark.cubicTo(9.5, 3.4, 10.4, 4.4, 10.4, 5.6);
    mark.cubicTo(10.4, 7.4, 8.0, 7.6, 8.0, 9.6);
    p.strokePath(mark, outline(Qt::white, 1.9));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 12.1), 1.15, 1.15);
}

void drawAbout(QPainter& p) {
    p.setPen(outline(colour::blue, 1.5));
    p.setBrush(colour::paper);
    p.drawEllipse(QPointF(8, 8), 6.75, 6.75);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::blueDark);
    p.drawEllipse(QPointF(8, 4.6), 1.25, 1.25);
    QPainterPath stem;
    stem.addRect(QRectF(7.0, 6.8, 2.0, 4.7));
    stem.addRect(QRectF(6.0, 6.8, 2.0, 1.2));
    stem.addRect(QRectF(6.0, 11.5, 4.0, 1.2));
    p.drawPath(stem.simplified());
}

void drawFileNode(QPainter& p) {
    sheet(p, QRectF(2.5, 0.5, 11, 15), 3.5, colour::paper, outline());
    shadedCube(p, QPointF(8, 9.5), 3.8, 0.8);
}

void drawPartNode(QPainter& p) {
    shadedCube(p, QPointF(8, 8), 7, 1.0);
}

void drawNoFileNode(QPainter& p) {
    QPen dashed(colour::ghost, 1.0, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dashed.setDashPattern({2, 1.5});
    QColor fill = colour::paperShade;
    fill.setAlpha(150);
    sheet(p, QRectF(2.5, 0.5, 11, 15), 3.5, fill, dashed);
}

void drawColourButton(QPainter& p) {
    QPainterPath board;
    board.addEllipse(QRectF(0.8, 2.0, 14.4, 12.0));
    QPainterPath cuts;
    cuts.addEllipse(QPointF(5.0, 10.4), 1.4, 1.4);  // thumb hole
    cuts.addEllipse(QPointF(1.6, 12.8), 2.4, 2.0);  // notch for the brushes
    board = board.subtracted(cuts);
    p.setPen(outline(colour::woodDark));
    p.setBrush(colour::wood);
    p.drawPath(board);

    p.setPen(outline(colour::ink, 0.6));
    const std::pair<QPointF, QColor> dots[] = {{{4.6, 6.2}, colour::red},
                                               {{8.2, 4.6}, colour::yellow},
                                               {{11.6, 5.8}, colour::green},
                                               {{11.8, 9.6}, colour::blue}};
    for (const auto& [centre, c] : dots) {
        p.setBrush(c);
        p.drawEllipse(centre, 1.55, 1.55);
    }
}

void drawTexturePicture(QPainter& p) {
    landscape(p);
}

void drawAddTexture(QPainter& p) {
    landscape(p);
    greenPlus(p, QPointF(12, 12), 3, 2);
}

void drawRemoveTexture(QPainter& p) {
    landscape(p);
    redCross(p, QPointF(11.8, 11.8), 2.2);
}

}  // namespace

QIcon openFile() {
    return makeIcon(drawOpenFile);
}
QIcon closeFile() {
    return makeIcon(drawCloseFile);
}
QIcon manageTextures() {
    return makeIcon(drawManageTextures);
}
QIcon hideAllParts() {
    return makeIcon(drawHideAllParts);
}
QIcon showAllParts() {
    return makeIcon(drawShowAllParts);
}
QIcon restoreSettings() {
    return makeIcon(drawRestoreSettings);
}
QIcon wireframe() {
    return makeIcon(drawWireframe);
}
QIcon untextureAll() {
    return makeIcon(drawUntextureAll);
}
QIcon textureAll() {
    return makeIcon(drawTextureAll);
}
QIcon textureWheels() {
    return makeIcon(drawTextureWheels);
}
QIcon help() {
    return makeIcon(drawHelp);
}
QIcon about() {
    return makeIcon(drawAbout);
}
QIcon fileNode() {
    return makeIcon(drawFileNode);
}
QIcon partNode() {
    return makeIcon(drawPartNode);
}
QIcon noFileNode() {
    return makeIcon(drawNoFileNode);
}
QIcon colourButton() {
    return makeIcon(drawColourButton);
}
QIcon application() {
    // The desktop's icon of the program, so the window and its launcher match.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/korvex/application/%1x%1.png").arg(size), QSize(size, size));
    return icon;
}
QIcon texturePicture() {
    return makeIcon(drawTexturePicture);
}
QIcon addTexture() {
    return makeIcon(drawAddTexture);
}
QIcon removeTexture() {
    return makeIcon(drawRemoveTexture);
}

}  // namespace korvex::icons
