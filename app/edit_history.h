#pragma once
// Undo and redo of what the user does to the set-up: each command that
// changes the parts, the scene colours, wireframe, the frame controls or
// the textures' names becomes one step of a QUndoStack holding the set-up
// before and after it, which is small: a few numbers per part.

#include "setup/setup.h"

#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

// What a step puts back: the set-up and the names of the textures.
struct Appearance {
    Setup setup;
    std::vector<std::string> textureNames;
};
using KeptAppearance = std::shared_ptr<const Appearance>;

class EditHistory {
public:
    struct Hooks {
        // The set-up as the window shows it now.
        std::function<Setup()> capture;
        // Makes the window show `setup` after an undo or redo: the parts,
        // the scene colours, wireframe and the frame controls, and the
        // textures as the library now holds them. The camera stays.
        std::function<void(const Setup&)> show;
        // Deletes a texture object that no step can bring back any more.
        std::function<void(uint32_t)> release;
    };

    EditHistory(ProgramState& state, Hooks hooks);
    ~EditHistory();

    QUndoStack& stack() { return stack_; }

    // After a command: what changed since the last step becomes a step
    // called `name`. Textures that joined the library are not a step, nor
    // is a change of the camera or the selection.
    void note(const QString& name);
    // A step that takes texture `position` out of the library; its picture
    // stays loaded while an undo can bring it back.
    void removeTexture(std::size_t position);
    // After a command that added the library's last texture, and perhaps
    // gave it to parts: one step called `name` that takes it out again.
    // Changes before the command must have been noted.
    void addedTexture(const QString& name);
    // Takes the set-up as it is now without a step: after a change that is
    // not the user's (a file read again).
    void rebase();
    // Opening or closing a model: no step is kept, and the number of steps
    // kept from here on suits the model's size.
    void forget();

    static constexpr std::size_t MostBytes = 256u << 20;
    static constexpr std::size_t FewestSteps = 20, MostSteps = 1000;

    // The steps' names for the slider, whose moves in a row are one step.
    static inline const QString DetailLevelStep = QStringLiteral("Level Of Detail");

private:
    friend class AppearanceStep;
    friend class TextureEntryStep;
    KeptAppearance now() const;
    // Puts `appearance` into the state and the window.
    void put(const Appearance& appearance);

    ProgramState& state_;
    Hooks hooks_;
    QUndoStack stack_;
    KeptAppearance recorded_;  // as the last step, or the last rebase, left it
    bool putting_ = false;
};

}  // namespace korvex
