#pragma once
// The small dialogs of "Save Picture...", "Save Standard Views..." and
// "Export Turntable...": what is drawn and how, before the file is chosen.

#include "media/film_writer.h"

#include <QSize>
#include <QString>

#include <optional>

class QWidget;

namespace korvex {

// The largest picture side the dialogs offer.
inline constexpr int MostPictureSide = 8192;

struct PictureOptions {
    QSize size;                // in pixels
    bool transparent = false;  // a clear background instead of the scene's
    bool smooth = true;        // drawn with smooth edges
};

struct TurntableOptions {
    FilmKind kind = FilmKind::Mp4;
    QSize size{800, 600};
    double seconds = 6.0;
    int framesPerSecond = 30;
    bool smooth = true;
    bool transparent = false;  // a WebP film only
};

// Size (the view's, twice or four times it, or any up to MostPictureSide),
// background and smooth edges, starting from `last` (its size counting
// only when it is not one of the view's). Nothing when cancelled.
std::optional<PictureOptions> askPictureDialog(QWidget* parent, const QString& title, QSize viewSize,
                                               const PictureOptions& last);

// Kind, size, length, frame rate, smooth edges and (for WebP) a clear
// background. Nothing when cancelled.
std::optional<TurntableOptions> askTurntableDialog(QWidget* parent, const TurntableOptions& last);

// "Film.mp4" or "Film.webp" filters for the save dialog, and the extension.
std::string_view filmFileFilter(FilmKind kind);
const char* filmExtension(FilmKind kind);

}  // namespace korvex
