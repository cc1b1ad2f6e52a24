#include "ui/picture_file_dialog.h"

#include "tests/support/gui_test_main.h"
#include "tests/support/hostile_files.h"
#include "tests/support/image_writers.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace korvex {
namespace {

QString toQString(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

// Red above blue with a green top left corner, so that a picture turned
// upside down or mirrored shows at once; the bottom right is half clear.
images::Picture redOverBlue() {
    images::Picture picture(6, 4);
    for (uint32_t i = 0; i < 24; ++i) {
        picture.rgba[i * 4 + (i < 12 ? 0 : 2)] = 255;
        picture.rgba[i * 4 + 3] = i == 23 ? 128 : 255;
    }
    picture.at(0, 0)[0] = 0;
    picture.at(0, 0)[1] = 255;
    return picture;
}

TEST(PicturePreview, ShowsTheDecodedPictureTopRowFirst) {
    const images::Picture picture = redOverBlue();
    images::Picture opaque = picture;
    opaque.at(5, 3)[3] = 255;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const images::Picture& shown;
    } cases[] = {
        {"bottom-up.tga", images::writeTga(picture), opaque},
        {"with-alpha.tga", images::writeTga(picture, {.depth = 32}), picture},
        {"bottom-up.bmp", images::writeBmp(picture), opaque},
    };
    fixtures::TempDir folder;
    PicturePreview preview;
    for (const auto& c : cases) {
        images::writeFile(folder / c.name, c.bytes);
        preview.showFile(toQString(folder / c.name));
        EXPECT_EQ(preview.sizeText(), QStringLiteral("6 \u00D7 4 pixels")) << c.name;
        const QImage expected(c.shown.rgba.data(), 6, 4, QImage::Format_RGBA8888);
        EXPECT_EQ(preview.shownImage().convertToFormat(QImage::Format_RGBA8888), expected) << c.name;
    }
}

TEST(PicturePreview, ABigJpegIsDecodedAtAReducedScaleWithItsFullSizeShown) {
    fixtures::TempDir folder;
    images::writeFile(folder / "big.jpg", images::writeJpeg(images::testPattern(2048, 1024)));
    PicturePreview preview;
    preview.showFile(toQString(folder / "big.jpg"));
    // Slow machines see the pane's note first; the picture follows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !preview.shownImage().isNull(); }, 5000));
    EXPECT_EQ(preview.sizeText(), QStringLiteral("2048 \u00D7 1024 pixels"));
    // An eighth of the picture still fills the pane's 180 pixels.
    EXPECT_EQ(preview.shownImage().size(), QSize(256, 128));
}

TEST(PicturePreview, SaysWhyNothingIsShown) {
    fixtures::TempDir folder;
    images::writeFile(folder / "good.tga", images::writeTga(redOverBlue()));
    QImage(4, 4, QImage::Format_RGB32).save(toQString(folder / "picture.png"));
    // A second scan naming a component the frame lacks makes the decoder throw.
    auto jpeg = images::writeJpeg(images::testPattern(32, 32), {.progressive = true});
    const uint8_t scan[] = {0xFF, 0xDA};
    const auto second =
        std::search(std::search(jpeg.begin(), jpeg.end(), scan, scan + 2) + 2, jpeg.end(), scan, scan + 2);
    ASSERT_LT(second + 5, jpeg.end());
    second[5] = 0x7E;
    images::writeFile(folder / "broken.jpg", jpeg);
    // Far too big to be a texture, though an eighth of it would fit the pane.
    images::writeFile(folder / "huge.jpg", fixtures::hostile::boastfulJpeg(16384));
    const std::pair<QString, QString> cases[] = {
        {QString(), QStringLiteral("No preview")},
        {toQString(folder.path()), QStringLiteral("No preview")},
        {toQString(folder / "picture.png"), QStringLiteral("Cannot be read as a texture")},
        {toQString(folder / "broken.jpg"), QStringLiteral("Cannot be read as a texture")},
        {toQString(folder / "huge.jpg"), QStringLiteral("Cannot be read as a texture")},
    };
    PicturePreview preview;
    for (const auto& [path, text] : cases) {
        // A picture first, so that one left over from it would show.
        preview.showFile(toQString(folder / "good.tga"));
        preview.showFile(path);
        EXPECT_EQ(preview.sizeText(), text) << path.toStdString();
        EXPECT_TRUE(preview.shownImage().isNull()) << path.toStdString();
    }
}

// choosePictureFile with `act` handling the dialog once it is shown. The
// dialog is cancelled afterwards if `act` left it open, so that a failing
// check cannot leave the test waiting for a person.
std::optional<QString> chooseWith(const QString& folder, const std::function<void(QFileDialog&)>& act) {
    // The dialog keeps its state in the user's settings; tests keep theirs apart.
    QStandardPaths::setTestModeEnabled(true);
    QTimer::singleShot(0, [&act] {
        QFileDialog* dialog = nullptr;
        if (!QTest::qWaitFor([&dialog] {
                dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                return dialog != nullptr && dialog->objectName() == QStringLiteral("pictureFileDialog");
            })) {
            ADD_FAILURE() << "the dialog did not appear";
            return;
        }
        if (QTest::qWaitForWindowExposed(dialog)) act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    return choosePictureFile(nullptr, QStringLiteral("Open a picture"), folder,
                             QStringLiteral("Texture pictures (*.tga *.bmp);;All files (*)"));
}

TEST(PictureFileDialog, PreviewsTheHighlightedFileBesideTheListAndAnswersIt) {
    fixtures::TempDir folder;
    images::writeFile(folder / "wide.bmp", images::writeBmp(images::testPattern(48, 16)));
    const QString path = toQString(folder / "wide.bmp");
    QString filter, previewText;
    QRect list, pane;
    const auto chosen = chooseWith(toQString(folder.path()), [&](QFileDialog& dialog) {
        auto* files = dialog.findChild<QListView*>(QStringLiteral("listView"));
        auto* model = files != nullptr ? qobject_cast<QFileSystemModel*>(files->model()) : nullptr;
        auto* preview = dialog.findChild<PicturePreview*>(QStringLiteral("PicturePreview"));
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (model == nullptr || preview == nullptr || buttons == nullptr) return;
        filter = dialog.selectedNameFilter();
        list = QRect(files->mapTo(&dialog, QPoint()), files->size());
        pane = QRect(preview->mapTo(&dialog, QPoint()), preview->size());
        files->setCurrentIndex(model->index(path));
        previewText = preview->sizeText();
        buttons->button(QDialogButtonBox::Open)->click();
    });
    EXPECT_EQ(filter, QStringLiteral("Texture pictures (*.tga *.bmp)"));
    EXPECT_GT(pane.left(), list.right());
    EXPECT_GE(list.width(), 300) << "the pane squeezes the file list";
    EXPECT_EQ(previewText, QStringLiteral("48 \u00D7 16 pixels"));
    EXPECT_EQ(chosen, std::optional<QString>(path));
}

TEST(PictureFileDialog, CancelAnswersNothing) {
    EXPECT_EQ(chooseWith(QString(), [](QFileDialog&) {}), std::nullopt);
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<QApplication>(argc, argv);
}
