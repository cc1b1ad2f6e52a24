#pragma once
// The options panel's texture box (textureBox) as the texture library fills it.

#include "textures/texture_library.h"

class QComboBox;

namespace korvex {

class TextureComboBox : public TextureCombo {
public:
    explicit TextureComboBox(QComboBox& box) : box_(box) {}
    void clearItems() override;
    void addItem(std::string_view text) override;
    void selectNothing() override;

private:
    QComboBox& box_;
};

}  // namespace korvex
