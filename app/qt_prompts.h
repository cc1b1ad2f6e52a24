#pragma once
// The prompts and the colour chooser as the user sees them: message boxes,
// file dialogs and the colour dialog.

#include "model/user_io.h"
#include "ui/colour_chooser.h"
#include "ui/window_common.h"

#include <QColor>
#include <QHash>
#include <QString>

#include <functional>

class QSettings;
class QWidget;

namespace korvex {

// "O files (*.o)|*.o|All Files (*.*)|*.*" as a file dialog's filter list.
// "*.*" means every file, as users of such filters expect, so it becomes "*".
QString toDialogFilter(std::string_view filter);

class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(std::string_view caption, std::string_view text, BoxIcon icon) override;
    bool askYesNo(std::string_view caption, std::string_view text, BoxIcon icon) override;
    std::optional<std::filesystem::path> chooseFile(std::string_view filter, std::string_view caption) override;
    // With a preview of the highlighted picture beside the file list.
    std::optional<std::filesystem::path> choosePicture(std::string_view filter) override;
    // Adds the extension of the chosen type when the name has none.
    std::optional<std::filesystem::path> chooseSaveFile(std::string_view filter, const std::filesystem::path& suggested,
                                                        std::string_view caption = SaveAsCaption) override;
    void startIn(std::string_view filter, const std::filesystem::path& folder) override;
    // Keeps each dialog's last folder in `memory`, across runs, taking up
    // the folders it holds that still exist.
    void useMemory(QSettings* memory);

private:
    static constexpr const char* FoldersGroup = "dialogs";
    void rememberFolders();

    using Dialog = std::function<std::optional<QString>(const QString& folder, const QString& filter)>;
    std::optional<std::filesystem::path> chooseWith(std::string_view filter, const Dialog& dialog);

    QWidget* parent_;
    // Each file dialog starts in the folder it was last left in.
    QHash<QString, QString> folders_;
    QSettings* memory_ = nullptr;
};

// The colour dialog of the commands.
class QtColourChooser : public ColourChooser {
public:
    explicit QtColourChooser(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<uint32_t> chooseColour(uint32_t current) override;

private:
    QWidget* parent_;
};

}  // namespace korvex
