#include "texture_manager_window.h"

#include "icons.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"
#include "window_common.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <stdexcept>

namespace korvex {

PictureButton::PictureButton(const QIcon& picture, const QString& caption, int gap, QWidget* parent)
    : QPushButton(picture, caption, parent), gap_(gap) {}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style draws the frame; picture and caption are placed here, as the
    // style has its own idea of the gap between them.
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QSize picture = iconSize();
    const int captionWidth = fontMetrics().horizontalAdvance(text());
    const int total = picture.width() + gap_ + captionWidth;
    const bool pressed = isDown() || isChecked();
    const int shift = pressed ? style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this) : 0;
    const int dropped = pressed ? style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this) : 0;
    const int left = inside.x() + std::max(0, (inside.width() - total) / 2) + shift;
    const int pictureTop = inside.y() + (inside.height() - picture.height()) / 2 + dropped;

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    icon().paint(&painter, QRect(QPoint(left, pictureTop), picture), Qt::AlignCenter, mode);
    const QRect captionArea(left + picture.width() + gap_, inside.y() + dropped,
                            std::max(0, inside.right() - left - picture.width() - gap_ + 1), inside.height());
    painter.drawItemText(captionArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

namespace {

constexpr int ClientWidth = 334;
constexpr int ClientHeight = 303;
constexpr int PictureGap = 7;

// The name an item stands for, as the library holds it: exact bytes.
constexpr int NameRole = Qt::UserRole;

QByteArray bytesOf(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QPushButton* plainButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Return in the list must not press a button of its own accord.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TextureManagerWindow::TextureManagerWindow(ProgramState& state, Prompts& prompts, TextureCombo& combo,
                                           TextureContext withTextures, QWidget* parent)
    : QDialog(parent), state_(state), prompts_(prompts), combo_(combo), withTextures_(std::move(withTextures)) {
    setObjectName("TextureManagerWindow");
    setWindowTitle("Textures");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(designedFont());
    setFixedSize(ClientWidth, ClientHeight);

    listLabel = new QLabel("Texture List:", this);
    listLabel->setObjectName("listLabel");
    listLabel->move(8, 8);
    listLabel->adjustSize();

    textureList = new QListWidget(this);
    textureList->setObjectName("textureList");
    textureList->setGeometry(8, 24, 193, 265);
    textureList->setViewMode(QListView::IconMode);
    textureList->setIconSize(QSize(24, 24));
    textureList->setMovement(QListView::Static);
    textureList->setResizeMode(QListView::Adjust);
    textureList->setFlow(QListView::LeftToRight);
    textureList->setWrapping(true);
    textureList->setWordWrap(true);
    textureList->setTextElideMode(Qt::ElideMiddle);
    textureList->setGridSize(QSize(84, 58));
    textureList->setSelectionMode(QAbstractItemView::SingleSelection);
    textureList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    // The chosen texture stays marked while the buttons have the focus.
    QPalette marked = textureList->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        marked.setColor(QPalette::Inactive, role, marked.color(QPalette::Active, role));
    textureList->setPalette(marked);

    addButton = new PictureButton(icons::addTexture(), "Add a Texture", PictureGap, this);
    addButton->setObjectName("addButton");
    addButton->setGeometry(211, 24, 118, 29);
    removeButton = new PictureButton(icons::removeTexture(), "Remove Texture", PictureGap, this);
    removeButton->setObjectName("removeButton");
    removeButton->setGeometry(211, 58, 118, 29);
    for (QPushButton* button : {static_cast<QPushButton*>(addButton), static_cast<QPushButton*>(removeButton)}) {
        button->setIconSize(QSize(16, 16));
        button->setAutoDefault(false);
    }
    closeButton = plainButton("Close", "closeButton", this);
    closeButton->setGeometry(224, 228, 97, 30);
    applyButton = plainButton("Apply to Model", "applyButton", this);
    applyButton->setGeometry(224, 262, 97, 30);
    applyButton->setEnabled(false);

    setTabOrder(textureList, addButton);
    setTabOrder(addButton, removeButton);
    setTabOrder(removeButton, applyButton);
    setTabOrder(applyButton, closeButton);

    connect(addButton, &QPushButton::clicked, this, [this] { guarded([this] { addTexture(); }); });
    connect(removeButton, &QPushButton::clicked, this, [this] { guarded([this] { removeTexture(); }); });
    connect(applyButton, &QPushButton::clicked, this, [this] { guarded([this] { applyToModel(); }); });
    connect(closeButton, &QPushButton::clicked, this, [this] { guarded([this] { closeWithoutApplying(); }); });
    connect(textureList, &QListWidget::clicked, this, [this] { guarded([this] { textureClicked(); }); });
    connect(textureList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const QByteArray before = item->data(NameRole).toByteArray();
        if (item->text() == toQString(viewOf(before))) return;
        guarded([&] { textureRenamed(item, before); });
    });
}

void TextureManagerWindow::guarded(const std::function<void()>& handler) {
    runShowingFailure(prompts_, handler);
    if (onChanged) onChanged();
}

int TextureManagerWindow::showModal() {
    if (isVisible()) throw std::runtime_error(std::string(CannotShowModalMessage));
    inModalLoop_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inModalLoop_};
    return exec();
}

void TextureManagerWindow::showModeless() {
    show();
    raise();
    activateWindow();
}

void TextureManagerWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window given back from the task bar was not shown anew.
    if (!event->spontaneous()) prepareForChoosing();
}

void TextureManagerWindow::prepareForChoosing() {
    if (!choosing_) return;
    const QListWidgetItem* highlighted = textureList->currentItem();
    chosenTexture_ = highlighted != nullptr && highlighted->isSelected() ? entryOf(highlighted) : -1;
    listLabel->setText("Select a texture to use:");
    listLabel->adjustSize();
    applyButton->setEnabled(true);
}

void TextureManagerWindow::addListItem(const std::string& name) {
    auto* item = new QListWidgetItem(icons::texturePicture(), toQString(name));
    item->setData(NameRole, bytesOf(name));
    // The grid cuts long names in the middle; the tip has them whole.
    item->setToolTip(item->text());
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    const QSignalBlocker quiet(textureList);
    textureList->addItem(item);
}

void TextureManagerWindow::showLibrary() {
    {
        const QSignalBlocker quiet(textureList);
        textureList->clear();
    }
    for (const TextureEntry& entry : state_.textureLibrary) addListItem(entry.DisplayName);
    chosenTexture_ = -1;
}

int32_t TextureManagerWindow::entryOf(const QListWidgetItem* item) const {
    return FindTextureByName(state_.textureLibrary, viewOf(item->data(NameRole).toByteArray()));
}

void TextureManagerWindow::addTexture() {
    const auto chosen = prompts_.choosePicture(TextureFileFilter);
    if (chosen) addPicture(*chosen);
}

bool TextureManagerWindow::addPicture(const std::filesystem::path& path) {
    TextureLibrary& library = state_.textureLibrary;
    std::string name = MakeUniqueTextureName(library, path.filename().string());

    std::optional<LoadedTexture> texture;
    withTextures_([&](TextureGl& gl) { texture = LoadTextureFile(path, prompts_, gl); });
    if (!texture) {
        prompts_.message("ERROR", "The texture was NOT loaded correctly.", BoxIcon::Error);
        return false;
    }
    appendTexture(library, name, texture->object, path, texture->layout);
    addListItem(name);
    RefreshTextureCombo(library, combo_);
    textureList->setCurrentRow(textureList->count() - 1);
    chosenTexture_ = static_cast<int32_t>(library.size()) - 1;
    return true;
}

void TextureManagerWindow::textureRenamed(QListWidgetItem* item, const QByteArray& before) {
    const QByteArray after = item->text().toUtf8();
    const int32_t position = FindTextureByName(state_.textureLibrary, viewOf(before));
    // A texture is chosen in the texture box by its name: an empty one, or
    // one another texture has, would leave a texture that cannot be told
    // from the others.
    const int32_t namesake = FindTextureByName(state_.textureLibrary, viewOf(after));
    const QString wanted = item->text();
    if (wanted.trimmed().isEmpty() || (namesake >= 0 && namesake != position)) {
        const QString kept = toQString(viewOf(before));
        {
            const QSignalBlocker quiet(textureList);
            item->setText(kept);
        }
        if (onNote)
            onNote(wanted.trimmed().isEmpty()
                       ? QString("A texture needs a name; it keeps the name %1.").arg(kept)
                       : QString("Another texture is named %1; this one keeps the name %2.").arg(wanted, kept));
        return;
    }
    {
        const QSignalBlocker quiet(textureList);
        item->setData(NameRole, after);
        item->setToolTip(item->text());
    }
    if (position >= 0)
        renameTexture(state_.textureLibrary, static_cast<std::size_t>(position), std::string(viewOf(after)));
    else
        prompts_.message(ApplicationTitle, "Item " + before.toStdString() + " Has NO DATA!", BoxIcon::None);
    RefreshTextureCombo(state_.textureLibrary, combo_);
}

void TextureManagerWindow::removeTexture() {
    QListWidgetItem* item = textureList->currentItem();
    if (item == nullptr || !item->isSelected()) {
        prompts_.message("Error", "Select something first!", BoxIcon::Error);
        return;
    }
    const int32_t position = entryOf(item);
    if (position < 0) {
        prompts_.message("Error", "Could not find the thing to delete.", BoxIcon::None);
        return;
    }
    if (removeEntry)
        removeEntry(static_cast<std::size_t>(position));
    else
        withTextures_([&](TextureGl& gl) { RemoveTextureEntry(state_, static_cast<std::size_t>(position), gl, combo_); });
    delete item;
    RefreshTextureCombo(state_.textureLibrary, combo_);
    chosenTexture_ = -1;
}

void TextureManagerWindow::textureClicked() {
    QListWidgetItem* item = textureList->currentItem();
    if (!choosing_ || item == nullptr || !item->isSelected()) return;
    chosenTexture_ = entryOf(item);
    if (chosenTexture_ >= 0) return;
    prompts_.message("Error",
                     "You've found a bug!, please report it to " + std::string(ReportAddress) +
                         ", quoting the line: \"The Texture Selection does not work.\"",
                     BoxIcon::None);
    chosenTexture_ = -1;
}

void TextureManagerWindow::applyToModel() {
    if (!choosing_) return;
    choosing_ = false;
    listLabel->setText("Texture List:");
    listLabel->adjustSize();
    applyButton->setEnabled(false);
    // Shown without modality, the window stays open in its managing look.
    if (inModalLoop_) accept();
}

void TextureManagerWindow::closeWithoutApplying() {
    reject();
}

}  // namespace korvex
