// Pictures and films for presenting the car: "Save Picture..." at any size
// with a clear background, "Save Standard Views..." as one sheet, "Export
// Turntable..." as an MP4 or animated WebP film, and "Smooth Edges". The
// view draws them off screen with the renderer it draws itself with; files
// are encoded and written away from the window's thread.

#include "main_window.h"
#include "main_window_metrics.h"
#include "presenting_dialogs.h"
#include "turntable_recording.h"
#include "work_failure.h"

#include "export/export_scene.h"
#include "export/file_set.h"
#include "export/image_file.h"
#include "export/view_sheet.h"
#include "render/frame_renderer.h"
#include "render/navigation.h"
#include "render/view_widget.h"
#include "ui/window_common.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <array>
#include <cmath>

namespace korvex {

namespace {

const char* const SmoothEdgesKey = "view/smoothEdges";

}  // namespace

void MainWindow::createPresenting() {
    saveViewAction = new QAction("Save View As &Picture", this);
    saveViewAction->setObjectName("saveViewAction");
    saveViewAction->setShortcut(QKeySequence(Qt::Key_F12));
    savePictureAction = new QAction("Save P&icture...", this);
    savePictureAction->setObjectName("savePictureAction");
    savePictureAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
    saveStandardViewsAction = new QAction("Save Standard &Views...", this);
    saveStandardViewsAction->setObjectName("saveStandardViewsAction");
    turntableAction = new QAction("Export &Turntable...", this);
    turntableAction->setObjectName("turntableAction");
    turntableAction->setStatusTip("Writes a film of the car making one full turn");
    QAction* before = fileMenu->actions().value(fileMenu->actions().indexOf(uvLayoutAction) + 1);
    fileMenu->insertSeparator(before);
    fileMenu->insertActions(before, {saveViewAction, savePictureAction, saveStandardViewsAction, turntableAction});
    connect(saveViewAction, &QAction::triggered, this, [this] { saveViewPicture(); });
    connect(savePictureAction, &QAction::triggered, this, [this] { savePictureCommand(); });
    connect(saveStandardViewsAction, &QAction::triggered, this, [this] { saveStandardViewsCommand(); });
    connect(turntableAction, &QAction::triggered, this, [this] { exportTurntableCommand(); });

    viewMenu->addSeparator();
    smoothEdgesAction = new QAction("S&mooth Edges", this);
    smoothEdgesAction->setObjectName("smoothEdgesAction");
    smoothEdgesAction->setCheckable(true);
    smoothEdgesAction->setChecked(true);
    viewMenu->addAction(smoothEdgesAction);
    connect(smoothEdgesAction, &QAction::toggled, this, [this](bool on) {
        if (view3d_ != nullptr) view3d_->setSmoothEdges(on);
        noteSmoothEdges();
    });
    connect(viewMenu, &QMenu::aboutToShow, this, [this] { noteSmoothEdges(); });
    if (view3d_ != nullptr) {
        view3d_->setSmoothEdges(true);
    } else {
        for (QAction* action : {savePictureAction, saveStandardViewsAction, turntableAction, smoothEdgesAction})
            action->setEnabled(false);
    }
}

void MainWindow::rememberSmoothEdges(bool remember) {
    if (memory_ == nullptr) return;
    if (remember)
        memory_->setValue(SmoothEdgesKey, smoothEdgesAction->isChecked());
    else
        smoothEdgesAction->setChecked(memory_->value(SmoothEdgesKey, true).toBool());
}

void MainWindow::noteSmoothEdges() {
    if (view3d_ == nullptr) return;
    // What the display granted is known once a frame has been drawn.
    const int samples = view3d_->samplesDrawn();
    smoothEdgesAction->setStatusTip(
        !smoothEdgesAction->isChecked() ? QStringLiteral("Draws the view's edges smoothed")
        : samples > 0 ? QStringLiteral("The view's edges are smoothed with %1 samples a pixel").arg(samples)
                      : QStringLiteral("This display grants no samples for smooth edges: edges are drawn as they are"));
}

QSize MainWindow::viewPixelSize() const {
    if (view3d_ == nullptr) return {};
    const qreal ratio = view3d_->devicePixelRatio();
    return {qRound(view3d_->width() * ratio), qRound(view3d_->height() * ratio)};
}

std::optional<PictureOptions> MainWindow::askPicture(const QString& title) {
    const QSize viewSize = viewPixelSize();
    const std::optional<PictureOptions> chosen = askPictureOptions
                                                     ? askPictureOptions(title, viewSize)
                                                     : askPictureDialog(this, title, viewSize, pictureOptions_);
    if (chosen) pictureOptions_ = *chosen;
    return chosen;
}

int MainWindow::stillSamples(bool smooth) const {
    return smooth ? ViewWidget::SmoothSamples : 0;
}

void MainWindow::savePictureCommand() {
    runCommand([this] {
        if (view3d_ == nullptr) return;
        const auto options = askPicture("Save Picture");
        if (!options) return;
        const auto chosen = prompts_.chooseSaveFile(PngFileFilter, suggestedFileName("view", ".png"), "Save Picture");
        if (!chosen) return;
        ViewState view = state_.view;
        const QImage picture =
            view3d_->drawPicture(view, {options->size.width(), options->size.height(), options->transparent},
                                 stillSamples(options->smooth));
        if (picture.isNull()) {
            prompts_.message(ApplicationTitle,
                             "The picture could not be saved to " + chosen->string() +
                                 ": the view cannot draw a picture of that size",
                             BoxIcon::Error);
            return;
        }
        writePictureAway(picture, *chosen);
    });
}

void MainWindow::saveStandardViewsCommand() {
    runCommand([this] {
        if (view3d_ == nullptr || !state_.ModelLoaded) return;
        const auto options = askPicture("Save Standard Views");
        if (!options) return;
        const SheetLayout layout = sheetLayout(options->size.width(), options->size.height());
        if (layout.cellWidth == 0) return;
        const auto chosen =
            prompts_.chooseSaveFile(PngFileFilter, suggestedFileName("views", "_views.png"), "Save Standard Views");
        if (!chosen) return;
        static constexpr std::array<StandardView, 4> Views = {StandardView::Front, StandardView::Side,
                                                              StandardView::Top, StandardView::ThreeQuarter};
        const FrameControls controls = frameControls();
        std::array<QImage, 4> cells;
        for (std::size_t cell = 0; cell < Views.size(); ++cell)
            cells[cell] = view3d_->drawPicture(
                fittedStandardView(state_, Views[cell], layout.cellWidth, layout.cellHeight, controls),
                {layout.cellWidth, layout.cellHeight, options->transparent}, stillSamples(options->smooth));
        const QString caption =
            sheetCaption(toQPath(state_.ModelPath.filename()), state_,
                         [this, &controls](std::size_t part) { return partIsDrawn(state_, part, controls); });
        writePictureAway(
            composeSheet(layout, cells, caption, state_.view.BackgroundColour, options->transparent), *chosen);
    });
}

void MainWindow::writePictureAway(const QImage& picture, const std::filesystem::path& target) {
    const std::filesystem::path model = state_.ModelPath;
    ++picturesRunning_;
    layoutPool_.start([this, picture, target, model] {
        const std::string failure = failureOf([&] {
            if (!model.empty() && sameFile(target, model)) throw ExportError(target, "it is the model shown");
            writeImageFile(picture, target, "png");
        });
        QMetaObject::invokeMethod(this, [this, target, failure] {
            --picturesRunning_;
            noteWritten("The picture", target, failure);
        }, Qt::QueuedConnection);
    });
}

void MainWindow::noteWritten(const std::string& what, const std::filesystem::path& target,
                             const std::string& failure) {
    if (!failure.empty())
        prompts_.message(ApplicationTitle, what + " could not be saved to " + target.string() + ": " + failure,
                         BoxIcon::Error);
    else
        statusBar()->showMessage(toQPath(target.filename()) + " was written.", 6000);
}

void MainWindow::exportTurntableCommand() {
    runCommand([this] {
        if (view3d_ == nullptr || !state_.ModelLoaded || recording_ != nullptr) return;
        const std::optional<TurntableOptions> options =
            askTurntableOptions ? askTurntableOptions() : askTurntableDialog(this, turntableOptions_);
        if (!options) return;
        turntableOptions_ = *options;
        const auto chosen = prompts_.chooseSaveFile(filmFileFilter(options->kind),
                                                    suggestedFileName("turntable", filmExtension(options->kind)),
                                                    "Export Turntable");
        if (!chosen) return;
        FilmSettings settings;
        settings.width = options->size.width();
        settings.height = options->size.height();
        settings.framesPerSecond = options->framesPerSecond;
        settings.alpha = options->transparent;
        const int frames =
            std::max(1, static_cast<int>(std::lround(options->seconds * static_cast<double>(options->framesPerSecond))));
        const auto fail = [this, &chosen](const std::string& why) {
            prompts_.message(ApplicationTitle, "The film could not be saved to " + chosen->string() + ": " + why,
                             BoxIcon::Error);
        };
        std::string whyNot;
        if (!filmSettingsValid(options->kind, settings, whyNot)) return fail(whyNot);
        if (sameFile(*chosen, state_.ModelPath)) return fail("it is the model shown");
        std::unique_ptr<FilmWriter> writer;
        try {
            // The kind chosen in the dialog, whatever the name typed ends in.
            writer = FilmWriter::open(*chosen, options->kind, settings);
        } catch (const std::exception& error) {
            return fail(error.what());
        }
        const std::filesystem::path target = *chosen;
        recording_ = new TurntableRecording(
            *view3d_, state_.view, {settings.width, settings.height, options->transparent},
            stillSamples(options->smooth), frames, std::move(writer), layoutPool_, this,
            [this, target](bool written, const std::string& failure) {
                recording_->deleteLater();
                recording_ = nullptr;
                if (written || !failure.empty()) noteWritten("The film", target, failure);
            });
    });
}

}  // namespace korvex
