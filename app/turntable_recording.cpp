#include "turntable_recording.h"

#include "work_failure.h"

#include <new>
#include <stdexcept>

namespace korvex {

namespace {

// How long to wait before looking again when the encoder has frames enough.
constexpr int EncoderWaitMs = 5;

}  // namespace

TurntableRecording::TurntableRecording(ViewWidget& view, const ViewState& start, const StillFrame& still,
                                       int samples, int frames, std::unique_ptr<FilmWriter> writer, QThreadPool& pool,
                                       QWidget* parent, Done done)
    : QObject(parent),
      view_(&view),
      start_(start),
      still_(still),
      samples_(samples),
      frames_(frames),
      pipe_(std::make_shared<FilmPipe>(std::move(writer), static_cast<std::size_t>(still.width) * 4)),
      pool_(pool),
      done_(std::move(done)) {
    progress_ = new QProgressDialog("Drawing the turntable film...", "Cancel", 0, frames_, parent);
    progress_->setObjectName("turntableProgress");
    progress_->setWindowTitle("Export Turntable");
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(400);
    progress_->setMinimumWidth(340);
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress_, &QProgressDialog::canceled, this, &TurntableRecording::cancel);
    // Escape closes the box without the button: the film stops all the same.
    connect(progress_, &QProgressDialog::rejected, this, &TurntableRecording::cancel);
    next_.setSingleShot(true);
    connect(&next_, &QTimer::timeout, this, &TurntableRecording::drawNext);
    next_.start(0);
}

TurntableRecording::~TurntableRecording() {
    if (progress_) progress_->close();
}

void TurntableRecording::cancel() {
    if (ended_ || drawn_ >= frames_) return;
    next_.stop();
    // Dropping the pipe removes the film's temporary file.
    pipe_.reset();
    end(false, {});
}

void TurntableRecording::drawNext() {
    if (ended_ || !pipe_) return;
    if (!view_) {
        pipe_.reset();
        end(false, "the view was closed");
        return;
    }
    if (!pipe_->hasRoom()) {
        next_.start(EncoderWaitMs);
        return;
    }
    const std::string failure = failureOf([&] {
        ViewState frame = start_;
        frame.RotationY = turntableAngle(start_.RotationY, drawn_, frames_);
        std::vector<uint8_t> pixels = view_->drawStillPixels(frame, still_, samples_);
        if (pixels.empty()) throw std::runtime_error("the view could not draw the frame");
        pipe_->push(std::move(pixels));
    });
    if (!failure.empty()) {
        pipe_.reset();
        end(false, failure);
        return;
    }
    ++drawn_;
    if (progress_) progress_->setValue(drawn_);
    if (drawn_ < frames_)
        next_.start(0);
    else
        finish();
}

void TurntableRecording::finish() {
    if (progress_) {
        progress_->setLabelText("Finishing the film...");
        progress_->setCancelButton(nullptr);
        progress_->setRange(0, 0);
    }
    // The encoder's last frames and the file's index take a moment: away
    // from the window's thread.
    pool_.start([this, pipe = pipe_] {
        const std::string failure = failureOf([&] { pipe->finish(); });
        QMetaObject::invokeMethod(this, [this, failure] { end(failure.empty(), failure); }, Qt::QueuedConnection);
    });
}

void TurntableRecording::end(bool written, const std::string& failure) {
    if (ended_) return;
    ended_ = true;
    if (progress_) progress_->close();
    if (done_) done_(written, failure);
}

}  // namespace korvex
