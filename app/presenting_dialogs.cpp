#include "presenting_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace korvex {

namespace {

QSpinBox* sideBox(QWidget* parent, const char* name, int value, int least) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(least, MostPictureSide);
    box->setValue(std::clamp(value, least, MostPictureSide));
    box->setSuffix(" px");
    return box;
}

QDialogButtonBox* okCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

std::optional<PictureOptions> askPictureDialog(QWidget* parent, const QString& title, QSize viewSize,
                                               const PictureOptions& last) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Size:", &dialog));
    struct Multiple {
        int times;
        const char* name;
        const char* text;
    };
    static constexpr std::array<Multiple, 3> multiples = {{{1, "viewSizeButton", "The &view's size"},
                                                           {2, "twiceSizeButton", "T&wice the view's size"},
                                                           {4, "fourTimesSizeButton", "&Four times the view's size"}}};
    auto* sizes = new QButtonGroup(&dialog);
    int checked = -1;
    for (const auto& [times, name, caption] : multiples) {
        const QSize size = viewSize * times;
        auto* button =
            new QRadioButton(QStringLiteral("%1 (%2 x %3)").arg(caption).arg(size.width()).arg(size.height()), &dialog);
        button->setObjectName(name);
        button->setEnabled(size.width() <= MostPictureSide && size.height() <= MostPictureSide);
        sizes->addButton(button, times);
        layout->addWidget(button);
        if (last.size == size && button->isEnabled()) checked = times;
    }
    auto* custom = new QRadioButton("&Other size:", &dialog);
    custom->setObjectName("customSizeButton");
    sizes->addButton(custom, 0);
    auto* customRow = new QHBoxLayout;
    customRow->addWidget(custom);
    const QSize start = last.size.isEmpty() ? viewSize : last.size;
    auto* width = sideBox(&dialog, "widthBox", start.width(), 16);
    auto* height = sideBox(&dialog, "heightBox", start.height(), 16);
    customRow->addWidget(width);
    customRow->addWidget(new QLabel("x", &dialog));
    customRow->addWidget(height);
    layout->addLayout(customRow);
    sizes->button(checked >= 0 ? checked : (last.size.isEmpty() ? 1 : 0))->setChecked(true);
    const auto customOnly = [=] {
        width->setEnabled(custom->isChecked());
        height->setEnabled(custom->isChecked());
    };
    QObject::connect(custom, &QRadioButton::toggled, &dialog, customOnly);
    customOnly();

    auto* transparent = new QCheckBox("&Transparent background", &dialog);
    transparent->setObjectName("transparentBox");
    transparent->setChecked(last.transparent);
    layout->addWidget(transparent);
    auto* smooth = new QCheckBox("&Smooth edges", &dialog);
    smooth->setObjectName("smoothBox");
    smooth->setChecked(last.smooth);
    layout->addWidget(smooth);
    layout->addWidget(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    PictureOptions chosen;
    const int times = sizes->checkedId();
    chosen.size = times > 0 ? viewSize * times : QSize(width->value(), height->value());
    chosen.transparent = transparent->isChecked();
    chosen.smooth = smooth->isChecked();
    return chosen;
}

std::optional<TurntableOptions> askTurntableDialog(QWidget* parent, const TurntableOptions& last) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Export Turntable");
    auto* form = new QFormLayout(&dialog);
    auto* kind = new QComboBox(&dialog);
    kind->setObjectName("kindBox");
    kind->addItem("MP4 film (H.264)");
    kind->addItem("Animated WebP");
    kind->setCurrentIndex(last.kind == FilmKind::WebP ? 1 : 0);
    form->addRow("&Kind:", kind);
    auto* sizeRow = new QHBoxLayout;
    auto* width = sideBox(&dialog, "widthBox", last.size.width(), 16);
    auto* height = sideBox(&dialog, "heightBox", last.size.height(), 16);
    sizeRow->addWidget(width);
    sizeRow->addWidget(new QLabel("x", &dialog));
    sizeRow->addWidget(height);
    form->addRow("Size:", sizeRow);
    auto* seconds = new QDoubleSpinBox(&dialog);
    seconds->setObjectName("secondsBox");
    seconds->setRange(0.5, 600.0);
    seconds->setDecimals(1);
    seconds->setSuffix(" s");
    seconds->setValue(last.seconds);
    form->addRow("&Length of one turn:", seconds);
    auto* fps = new QSpinBox(&dialog);
    fps->setObjectName("fpsBox");
    fps->setRange(1, 120);
    fps->setValue(last.framesPerSecond);
    form->addRow("&Frames a second:", fps);
    auto* smooth = new QCheckBox("S&mooth edges", &dialog);
    smooth->setObjectName("smoothBox");
    smooth->setChecked(last.smooth);
    form->addRow(smooth);
    auto* transparent = new QCheckBox("&Transparent background (WebP only)", &dialog);
    transparent->setObjectName("transparentBox");
    transparent->setChecked(last.transparent);
    form->addRow(transparent);
    // H.264 keeps colour at half the resolution: an MP4 film's sides are even.
    const auto kindChanged = [=] {
        const bool webp = kind->currentIndex() == 1;
        transparent->setEnabled(webp);
        width->setSingleStep(webp ? 1 : 2);
        height->setSingleStep(webp ? 1 : 2);
    };
    QObject::connect(kind, &QComboBox::currentIndexChanged, &dialog, kindChanged);
    kindChanged();
    form->addRow(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    TurntableOptions chosen;
    chosen.kind = kind->currentIndex() == 1 ? FilmKind::WebP : FilmKind::Mp4;
    chosen.size = QSize(width->value(), height->value());
    if (chosen.kind == FilmKind::Mp4) chosen.size = QSize(chosen.size.width() & ~1, chosen.size.height() & ~1);
    chosen.seconds = seconds->value();
    chosen.framesPerSecond = fps->value();
    chosen.smooth = smooth->isChecked();
    chosen.transparent = chosen.kind == FilmKind::WebP && transparent->isChecked();
    return chosen;
}

std::string_view filmFileFilter(FilmKind kind) {
    return kind == FilmKind::WebP ? "Animated WebP (*.webp)|*.webp" : "MP4 Film (*.mp4)|*.mp4";
}

const char* filmExtension(FilmKind kind) {
    return kind == FilmKind::WebP ? ".webp" : ".mp4";
}

}  // namespace korvex
