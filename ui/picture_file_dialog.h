#pragma once
// Choosing a texture picture with a look at each file before it is opened.

#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace korvex {

class PictureCanvas;

// The pane beside the file list: the highlighted picture, decoded by the
// program's own loaders so it shows what the texture will look like, and
// its size in pixels.
class PicturePreview : public QWidget {
    Q_OBJECT

public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // An empty path or a folder clears the pane. The picture is decoded on
    // a thread of its own; one that takes longer than a moment shows
    // "Reading the picture..." until it is ready, and the dialog goes on
    // answering meanwhile.
    void showFile(const QString& path);

    QString sizeText() const;
    // The decoded picture top row first, unscaled; null when none is shown.
    QImage shownImage() const { return image_; }

private:
    struct Decoding;
    void display(QImage image, const QString& text);
    void showDecoded(const Decoding& decoding);

    QString path_;
    QString shownPath_;  // the file whose decoding the pane shows
    QImage image_;
    PictureCanvas* canvas_;
    QLabel* sizeLabel_;
};

// A file-open dialog with a PicturePreview at its right. `filter` is in
// Qt's form ("Pictures (*.tga *.jpg);;All files (*)"), its first entry
// selected; an empty `folder` starts in the working folder. Answers the
// chosen file's absolute path, or nothing when the user cancels.
std::optional<QString> choosePictureFile(QWidget* parent, const QString& caption, const QString& folder,
                                         const QString& filter);

}  // namespace korvex
