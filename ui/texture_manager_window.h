#pragma once
// The "Textures" window: where pictures become textures of the library, are
// renamed and removed, and where the texture-all commands pick their texture.

#include "model/program_state.h"
#include "model/user_io.h"
#include "textures/texture_gl.h"

#include <QDialog>
#include <QPushButton>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace korvex {

class TextureCombo;

inline constexpr std::string_view TextureFileFilter =
    "All Supported Types|*.jpg;*.jpeg;*.bmp;*.tga|JPEG Image File (*.jpg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "TGA Files|*.tga";

// A push button with its picture left of its caption, the two centred
// together with a fixed gap between them.
class PictureButton : public QPushButton {
public:
    PictureButton(const QIcon& picture, const QString& caption, int gap, QWidget* parent);
    int gap() const { return gap_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int gap_;
};

class TextureManagerWindow : public QDialog {
public:
    // Runs texture work where the textures it makes will be drawn.
    using TextureContext = std::function<void(const std::function<void(TextureGl&)>&)>;

    TextureManagerWindow(ProgramState& state, Prompts& prompts, TextureCombo& combo, TextureContext withTextures,
                         QWidget* parent);

    // Whether the window picks a texture for a texture-all command: set by
    // the commands before they show it; cleared only by "Apply to Model".
    bool choosing() const { return choosing_; }
    void setChoosing(bool on) { choosing_ = on; }
    // Library position of the texture picked for them; -1 for none.
    int32_t chosenTexture() const { return chosenTexture_; }

    // Shows the window modally and answers QDialog::Accepted ("Apply to
    // Model") or Rejected ("Close", the close box). An open window cannot be
    // made modal: that throws.
    int showModal();
    // Shows the window and returns at once; an open one comes to the front.
    void showModeless();

    // A window shown for choosing asks for a texture afresh; one still
    // highlighted from before is the choice until another is clicked.
    void prepareForChoosing();
    void addTexture();
    // Makes a texture of the picture file `path` and adds it to the library
    // and the list, as "Add a Texture" does once a file is chosen: the
    // decoder's boxes and "The texture was NOT loaded correctly." when it
    // cannot be loaded. Answers whether it was added.
    bool addPicture(const std::filesystem::path& path);
    // `item`'s caption was edited; `before` is the caption it had.
    void textureRenamed(QListWidgetItem* item, const QByteArray& before);
    void removeTexture();
    void textureClicked();
    void applyToModel();
    void closeWithoutApplying();

    // Runs after each of the window's handlers: the library or the parts'
    // textures may have changed.
    std::function<void()> onChanged;
    // A short note for the main window's status bar (a refused rename).
    std::function<void(const QString&)> onNote;
    // Takes library entry `position` away for "Remove"; without it the entry
    // and its texture are dropped at once.
    std::function<void(std::size_t position)> removeEntry;
    // Lists the library's textures again, as it holds them now.
    void showLibrary();

    QLabel* listLabel;
    QListWidget* textureList;
    PictureButton* addButton;
    PictureButton* removeButton;
    QPushButton* closeButton;
    QPushButton* applyButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addListItem(const std::string& name);
    // The library entry an item stands for, by the name it was last given.
    int32_t entryOf(const QListWidgetItem* item) const;
    // Runs a handler; what escapes it is shown in the application's error box.
    void guarded(const std::function<void()>& handler);

    ProgramState& state_;
    Prompts& prompts_;
    TextureCombo& combo_;
    TextureContext withTextures_;
    bool inModalLoop_ = false;
    bool choosing_ = false;
    int32_t chosenTexture_ = 0;
};

inline constexpr std::string_view CannotShowModalMessage = "Cannot make a visible window modal";

}  // namespace korvex
