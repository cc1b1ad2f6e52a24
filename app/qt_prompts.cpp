#include "qt_prompts.h"

#include "ui/picture_file_dialog.h"

#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QMessageBox>
#include <QStringList>

namespace korvex {

QString toDialogFilter(std::string_view filter) {
    const QStringList parts = toQString(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        if (patterns.split(' ', Qt::SkipEmptyParts).contains("*.*")) patterns = "*";
        // The dialog takes its patterns from the last brackets of each entry.
        const qsizetype open = description.lastIndexOf('(');
        if (open > 0 && description.endsWith(')')) description = description.left(open).trimmed();
        entries << QString("%1 (%2)").arg(description, patterns);
    }
    return entries.join(";;");
}

namespace {

QMessageBox::Icon boxIcon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void QtPrompts::message(std::string_view caption, std::string_view text, BoxIcon icon) {
    QMessageBox box(boxIcon(icon), toQString(caption), toQString(text), QMessageBox::Ok, parent_);
    box.exec();
}

bool QtPrompts::askYesNo(std::string_view caption, std::string_view text, BoxIcon icon) {
    QMessageBox box(boxIcon(icon), toQString(caption), toQString(text), QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::filesystem::path> QtPrompts::chooseWith(std::string_view filter, const Dialog& dialog) {
    const QString qtFilter = toDialogFilter(filter);
    QString& folder = folders_[qtFilter];
    // Until it has a folder of its own, a dialog opens in the working folder
    // rather than wherever another dialog was last left.
    const std::optional<QString> chosen = dialog(folder.isEmpty() ? QDir::currentPath() : folder, qtFilter);
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    folder = QFileInfo(*chosen).absolutePath();
    rememberFolders();
    return fromQPath(*chosen);
}

void QtPrompts::useMemory(QSettings* memory) {
    memory_ = memory;
    if (memory_ == nullptr) return;
    memory_->beginGroup(FoldersGroup);
    // Keys are the filters, which hold characters a key may not: they are
    // stored as pairs in one list.
    const QStringList pairs = memory_->value("lastFolders").toStringList();
    memory_->endGroup();
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        if (QFileInfo(pairs[i + 1]).isDir()) folders_[pairs[i]] = pairs[i + 1];
}

void QtPrompts::rememberFolders() {
    if (memory_ == nullptr) return;
    QStringList pairs;
    for (auto folder = folders_.cbegin(); folder != folders_.cend(); ++folder)
        if (!folder.value().isEmpty()) pairs << folder.key() << folder.value();
    memory_->beginGroup(FoldersGroup);
    memory_->setValue("lastFolders", pairs);
    memory_->endGroup();
}

std::optional<std::filesystem::path> QtPrompts::chooseFile(std::string_view filter, std::string_view caption) {
    return chooseWith(filter, [this, caption](const QString& folder, const QString& qtFilter) -> std::optional<QString> {
        QFileDialog dialog(parent_, toQString(caption), folder);
        dialog.setObjectName("openFileDialog");
        // Qt's own dialog matches its patterns without regard to case, so
        // that a settings file named GEOMDATA.INI is offered too; a
        // desktop's dialog may not.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(qtFilter.split(";;"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first();
    });
}

std::optional<std::filesystem::path> QtPrompts::choosePicture(std::string_view filter) {
    return chooseWith(filter, [this](const QString& folder, const QString& qtFilter) {
        return choosePictureFile(parent_, toQString(OpenCaption), folder, qtFilter);
    });
}

std::optional<std::filesystem::path> QtPrompts::chooseSaveFile(std::string_view filter,
                                                              const std::filesystem::path& suggested,
                                                              std::string_view caption) {
    const QString name = toQPath(suggested);
    return chooseWith(filter, [&](const QString& folder, const QString& qtFilter) -> std::optional<QString> {
        QFileDialog dialog(parent_, toQString(caption), folder);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(qtFilter.split(";;"));
        // The extension follows the chosen type: "Name (*.png *.x)" gives "png".
        const auto suffixOf = [](const QString& entry) {
            const qsizetype star = entry.indexOf("*.");
            return star < 0 ? QString() : entry.mid(star + 2).section(' ', 0, 0).section(')', 0, 0);
        };
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                [&](const QString& entry) { dialog.setDefaultSuffix(suffixOf(entry)); });
        dialog.selectFile(name);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first();
    });
}

void QtPrompts::startIn(std::string_view filter, const std::filesystem::path& folder) {
    folders_[toDialogFilter(filter)] = toQPath(folder);
    rememberFolders();
}

std::optional<uint32_t> QtColourChooser::chooseColour(uint32_t current) {
    const QColor start(static_cast<int>(current & 0xFF), static_cast<int>((current >> 8) & 0xFF),
                       static_cast<int>((current >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, parent_);
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
           static_cast<uint32_t>(chosen.blue()) << 16;
}

}  // namespace korvex
