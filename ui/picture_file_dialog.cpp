#include "picture_file_dialog.h"

#include "ui/window_common.h"

#include "textures/texture_upload.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

namespace korvex {

namespace {

constexpr int PaneWidth = 180;
constexpr int PaneGap = 8;  // between the file list and the picture
constexpr int CheckerSquare = 8;

// Textures keep their bottom row first, as OpenGL samples them; people
// look at pictures from the top.
QImage topRowFirst(const PixelBuffer& buffer) {
    if (buffer.bytesPerPixel != 3 && buffer.bytesPerPixel != 4) return {};
    if (buffer.pixels.size() < buffer.rowBytes() * buffer.height) return {};
    const QImage bottomFirst(buffer.pixels.data(), static_cast<int>(buffer.width), static_cast<int>(buffer.height),
                             static_cast<qsizetype>(buffer.rowBytes()),
                             buffer.bytesPerPixel == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    return bottomFirst.mirrored(false, true);
}

QBrush checkerboard() {
    QPixmap tile(2 * CheckerSquare, 2 * CheckerSquare);
    tile.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter painter(&tile);
    const QColor dark(0xc8, 0xc8, 0xc8);
    painter.fillRect(0, 0, CheckerSquare, CheckerSquare, dark);
    painter.fillRect(CheckerSquare, CheckerSquare, CheckerSquare, CheckerSquare, dark);
    return QBrush(tile);
}

}  // namespace

// Draws the picture fitted into its square, over a checkerboard so that
// transparent and black parts can be told apart.
class PictureCanvas : public QWidget {
public:
    explicit PictureCanvas(QWidget* parent) : QWidget(parent) {}

    void setImage(const QImage& image) {
        image_ = image;
        scaled_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Mid));
        if (!image_.isNull()) {
            const QRect target = fittedRect();
            painter.fillRect(target, checkerboard());
            painter.drawPixmap(target, scaledFor(target.size()));
        }
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QRect fittedRect() const {
        const QRect room = rect().adjusted(1, 1, -1, -1);
        QSize size = image_.size().scaled(room.size(), Qt::KeepAspectRatio);
        size = size.expandedTo(QSize(1, 1));
        QRect target(QPoint(), size);
        target.moveCenter(room.center());
        return target;
    }

    // Scaling a large picture is slow, so it is done once per size. A
    // picture smaller than the pane is enlarged without smoothing, which
    // keeps a small texture's pixels sharp.
    const QPixmap& scaledFor(const QSize& size) {
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (QSizeF(size) * ratio).toSize().expandedTo(QSize(1, 1));
        if (scaled_.isNull() || scaled_.size() != pixels) {
            const bool shrinking = pixels.width() < image_.width() || pixels.height() < image_.height();
            scaled_ = QPixmap::fromImage(image_.scaled(pixels, Qt::IgnoreAspectRatio,
                                                       shrinking ? Qt::SmoothTransformation : Qt::FastTransformation));
            scaled_.setDevicePixelRatio(ratio);
        }
        return scaled_;
    }

    QImage image_;
    QPixmap scaled_;
};

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent), canvas_(new PictureCanvas(this)), sizeLabel_(new QLabel(this)) {
    setObjectName(QStringLiteral("PicturePreview"));
    setFixedWidth(PaneWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(PaneGap, 0, 0, 0);
    canvas_->setFixedHeight(PaneWidth - PaneGap);
    sizeLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    sizeLabel_->setWordWrap(true);
    layout->addWidget(canvas_);
    layout->addWidget(sizeLabel_);
    layout->addStretch();
    display({}, tr("No preview"));
}

// One picture decoded on a thread of the pool, for the preview that asked.
struct PicturePreview::Decoding {
    QString path;
    std::optional<PreviewPicture> decoded;
    bool done = false;
    std::mutex lock;
    std::condition_variable finished;
};

void PicturePreview::showFile(const QString& path) {
    // Decoding is the slow part, so a file already shown is not read again.
    if (path == path_) return;
    path_ = path;
    shownPath_.clear();
    if (path.isEmpty() || !QFileInfo(path).isFile()) return display({}, tr("No preview"));
    // The loaders' boxes would interrupt every step through the list, and a
    // broken file needs no more than the pane's own line. A big JPEG is
    // decoded at a reduced scale that still fills the pane.
    const auto decoding = std::make_shared<Decoding>();
    decoding->path = path;
    const auto side = static_cast<uint32_t>(std::ceil(PaneWidth * devicePixelRatioF()));
    const QPointer<PicturePreview> self(this);
    QThreadPool::globalInstance()->start([decoding, side, self] {
        auto decoded = DecodeTexturePreview(fromQPath(decoding->path), side);
        {
            const std::lock_guard<std::mutex> held(decoding->lock);
            decoding->decoded = std::move(decoded);
            decoding->done = true;
        }
        decoding->finished.notify_all();
        QMetaObject::invokeMethod(
            qApp,
            [decoding, self] {
                if (self) self->showDecoded(*decoding);
            },
            Qt::QueuedConnection);
    });
    // Most pictures are ready at once: they are shown without a flicker.
    std::unique_lock<std::mutex> held(decoding->lock);
    if (decoding->finished.wait_for(held, std::chrono::milliseconds(250), [&] { return decoding->done; })) {
        held.unlock();
        return showDecoded(*decoding);
    }
    held.unlock();
    display({}, tr("Reading the picture..."));
}

void PicturePreview::showDecoded(const Decoding& decoding) {
    // A result for a file the user has moved away from is no longer wanted;
    // one shown already after the wait is not shown again.
    if (decoding.path != path_ || shownPath_ == decoding.path) return;
    shownPath_ = decoding.path;
    const auto& preview = decoding.decoded;
    if (!preview) return display({}, tr("Cannot be read as a texture"));
    display(topRowFirst(preview->picture),
            QStringLiteral("%1 \u00D7 %2 pixels").arg(preview->width).arg(preview->height));
}

QString PicturePreview::sizeText() const {
    return sizeLabel_->text();
}

void PicturePreview::display(QImage image, const QString& text) {
    image_ = std::move(image);
    canvas_->setImage(image_);
    sizeLabel_->setText(text);
}

std::optional<QString> choosePictureFile(QWidget* parent, const QString& caption, const QString& folder,
                                         const QString& filter) {
    QFileDialog dialog(parent, caption, folder.isEmpty() ? QDir::currentPath() : folder);
    dialog.setObjectName(QStringLiteral("pictureFileDialog"));
    // Only Qt's own dialog has a layout that the pane can join; it has to
    // be chosen before anything else is set.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    if (!dialog.nameFilters().isEmpty()) dialog.selectNameFilter(dialog.nameFilters().constFirst());

    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* preview = new PicturePreview(&dialog);
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
        const QSize hint = dialog.sizeHint();
        int width = hint.width() + PaneWidth;
        // On a small screen the pane takes its room from the file list
        // rather than pushing the dialog off the screen.
        if (const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())
            width = std::min(width, screen->availableGeometry().width() * 9 / 10);
        dialog.resize(width, hint.height());
    }

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QFileInfo(chosen.constFirst()).absoluteFilePath();
}

}  // namespace korvex
