#include "texture_combo_box.h"

#include "model/text_conversion.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace korvex {

// Filling the box is not a choice of the user's: no change is reported.
void TextureComboBox::clearItems() {
    const QSignalBlocker quiet(box_);
    box_.clear();
}

void TextureComboBox::addItem(std::string_view text) {
    const QSignalBlocker quiet(box_);
    const QString name = QString::fromStdU16String(utf8ToWide(text));
    box_.addItem(name);
    box_.setItemData(box_.count() - 1, name, Qt::ToolTipRole);
}

void TextureComboBox::selectNothing() {
    const QSignalBlocker quiet(box_);
    box_.setCurrentIndex(-1);
}

}  // namespace korvex
