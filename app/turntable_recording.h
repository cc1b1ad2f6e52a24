#pragma once
// A turntable film made from the window: one frame drawn by the view at
// each turn of the event loop, so that the window goes on answering, and
// encoded on a thread of its own. A progress box counts the frames and can
// cancel; a cancelled or failed film leaves no file.

#include "media/film_pipe.h"
#include "render/still_frame.h"
#include "render/view_widget.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QThreadPool>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace korvex {

class TurntableRecording : public QObject {
public:
    // Told once when the film is written, failed (`failure` says why) or
    // was cancelled (neither written nor failed).
    using Done = std::function<void(bool written, const std::string& failure)>;

    // Draws `frames` frames of one full turn from `start` with `view`,
    // `samples` samples a pixel, into `writer`; the film is finished on
    // `pool`. The progress box is shown over `parent`.
    TurntableRecording(ViewWidget& view, const ViewState& start, const StillFrame& still, int samples, int frames,
                       std::unique_ptr<FilmWriter> writer, QThreadPool& pool, QWidget* parent, Done done);
    ~TurntableRecording() override;

    // Stops drawing; the frames drawn are dropped with the film's file.
    void cancel();
    int framesDrawn() const { return drawn_; }
    int frameCount() const { return frames_; }

private:
    void drawNext();
    void finish();
    void end(bool written, const std::string& failure);

    QPointer<ViewWidget> view_;
    ViewState start_;
    StillFrame still_;
    int samples_, frames_, drawn_ = 0;
    std::shared_ptr<FilmPipe> pipe_;
    QThreadPool& pool_;
    QPointer<QProgressDialog> progress_;
    QTimer next_;
    Done done_;
    bool ended_ = false;
};

}  // namespace korvex
