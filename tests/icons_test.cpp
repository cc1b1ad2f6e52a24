#include "ui/icons.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace korvex::icons {
namespace {

struct NamedIcon {
    const char* name;
    QIcon (*make)();
};

const NamedIcon kAllIcons[] = {
    {"openFile", openFile},
    {"closeFile", closeFile},
    {"manageTextures", manageTextures},
    {"hideAllParts", hideAllParts},
    {"showAllParts", showAllParts},
    {"restoreSettings", restoreSettings},
    {"wireframe", wireframe},
    {"untextureAll", untextureAll},
    {"textureAll", textureAll},
    {"textureWheels", textureWheels},
    {"help", help},
    {"about", about},
    {"fileNode", fileNode},
    {"partNode", partNode},
    {"noFileNode", noFileNode},
    {"colourButton", colourButton},
    {"texturePicture", texturePicture},
    {"addTexture", addTexture},
    {"removeTexture", removeTexture},
};

void PrintTo(const NamedIcon& icon, std::ostream* out) { *out << icon.name; }

QImage pixels(const QPixmap& pixmap) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

QImage pixels(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal) {
    return pixels(icon.pixmap(QSize(size, size), 1.0, mode));
}

// Pixels a viewer would notice; faint antialiasing fringes do not count.
bool visible(QRgb pixel) {
    return qAlpha(pixel) > 40;
}

struct Coverage {
    int visiblePixels = 0;
    QRect bounds;
    int colours = 0;
};

Coverage measure(const QImage& image) {
    Coverage result;
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (!visible(pixel)) continue;
            ++result.visiblePixels;
            result.bounds |= QRect(x, y, 1, 1);
            colours.insert(pixel);
        }
    result.colours = static_cast<int>(colours.size());
    return result;
}

// How many pixels differ by more than `tolerance` in any channel.
int countDiffering(const QImage& a, const QImage& b, int tolerance) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int worst = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            if (worst > tolerance) ++count;
        }
    return count;
}

class EachIcon : public ::testing::TestWithParam<NamedIcon> {
protected:
    QIcon icon = GetParam().make();
};

TEST_P(EachIcon, IsNotNull) {
    EXPECT_FALSE(icon.isNull());
}

TEST_P(EachIcon, FillsMostOfItsPixmapAtSmallAndLargeSizes) {
    for (const int size : {16, 32}) {
        SCOPED_TRACE(size);
        const QImage image = pixels(icon, size);
        ASSERT_EQ(image.size(), QSize(size, size));
        const Coverage c = measure(image);
        EXPECT_GE(c.visiblePixels, size * size / 5);
        EXPECT_LT(c.visiblePixels, size * size) << "a solid square is not an icon";
        EXPECT_GE(c.colours, 3);
        // A drawing that ignores the target size would sit in one corner.
        EXPECT_GE(std::max(c.bounds.width(), c.bounds.height()), size * 3 / 4);
        EXPECT_GE(std::min(c.bounds.width(), c.bounds.height()), size / 2);
    }
}

TEST_P(EachIcon, HighDensityPixmapIsDrawnAtDeviceResolution) {
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    // An upscaled 16 px pixmap would be blurred and differ from a true 32 px one.
    EXPECT_EQ(countDiffering(pixels(sharp), pixels(icon, 32), 0), 0);
}

TEST_P(EachIcon, DisabledIsGreyAndFainter) {
    const QImage normal = pixels(icon, 32);
    const QImage disabled = pixels(icon, 32, QIcon::Disabled);
    ASSERT_EQ(disabled.size(), normal.size());
    EXPECT_GE(countDiffering(normal, disabled, 40), 32);

    long normalAlpha = 0;
    long disabledAlpha = 0;
    int worstSaturation = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = disabled.pixel(x, y);
            normalAlpha += qAlpha(normal.pixel(x, y));
            disabledAlpha += qAlpha(pixel);
            if (qAlpha(pixel) < 16) continue;  // rounding in barely visible edges
            const int high = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
            const int low = std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
            worstSaturation = std::max(worstSaturation, high - low);
        }
    EXPECT_LE(worstSaturation, 6);
    EXPECT_GT(disabledAlpha, 0);
    EXPECT_LT(disabledAlpha * 10, normalAlpha * 8);
}

TEST_P(EachIcon, PaintDrawsTheSameImageAsPixmapInsideTheRectangle) {
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        SCOPED_TRACE(mode);
        QImage canvas(48, 48, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            icon.paint(&painter, QRect(8, 8, 32, 32), Qt::AlignCenter, mode);
        }
        const QImage painted = canvas.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(countDiffering(painted.copy(8, 8, 32, 32), pixels(icon, 32, mode), 2), 0);
        const QRect bounds = measure(painted).bounds;
        EXPECT_EQ(bounds & QRect(8, 8, 32, 32), bounds) << "nothing may be drawn outside the rectangle";
    }
}

TEST_P(EachIcon, StaysSquareAndCentredInAWideRectangle) {
    QImage canvas(64, 32, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        icon.paint(&painter, canvas.rect(), Qt::AlignCenter, QIcon::Normal);
    }
    const QRect bounds = measure(canvas.convertToFormat(QImage::Format_ARGB32)).bounds;
    EXPECT_GE(bounds.left(), 16);
    EXPECT_LE(bounds.right(), 47);
}

TEST_P(EachIcon, DetachedCopyDrawsTheSame) {
    QIcon copy = icon;
    copy.detach();
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(countDiffering(pixels(copy, 24), pixels(icon, 24), 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Icons, EachIcon, ::testing::ValuesIn(kAllIcons),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IconSet, NoTwoIconsLookAlike) {
    for (const NamedIcon& first : kAllIcons)
        for (const NamedIcon& second : kAllIcons) {
            if (&first >= &second) continue;
            // A tenth of the pixels must clearly differ, not just a stray edge.
            EXPECT_GE(countDiffering(pixels(first.make(), 32), pixels(second.make(), 32), 48), 32 * 32 / 10)
                << first.name << " and " << second.name;
        }
}

TEST(IconSet, TheWindowIconIsTheLaunchersInEverySize) {
    const QIcon icon = application();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage shown = pixels(icon, size);
        ASSERT_EQ(shown.size(), QSize(size, size));
        // Each size is the drawn one, not a larger one scaled down (a pixmap
        // keeps its pixels premultiplied).
        const QImage drawn = QImage(QString(":/korvex/application/%1x%1.png").arg(size))
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown, drawn);
        EXPECT_TRUE(visible(shown.pixel(size / 2, size / 2)));
    }
}

TEST(IconSet, TextureButtonsBadgeTheListPictureInTheLowerRight) {
    const QImage picture = pixels(texturePicture(), 32);
    for (const NamedIcon& badged : {NamedIcon{"addTexture", addTexture}, NamedIcon{"removeTexture", removeTexture}}) {
        SCOPED_TRACE(badged.name);
        const QImage image = pixels(badged.make(), 32);
        // The same picture underneath, so the list and its buttons agree.
        EXPECT_EQ(countDiffering(image.copy(0, 0, 16, 16), picture.copy(0, 0, 16, 16), 0), 0);
        EXPECT_GE(countDiffering(image.copy(16, 16, 16, 16), picture.copy(16, 16, 16, 16), 48), 16 * 16 / 3);
    }
}

}  // namespace
}  // namespace korvex::icons

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
