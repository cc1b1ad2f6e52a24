#include "edit_history.h"

#include "textures/texture_library.h"

#include <QUndoCommand>

#include <algorithm>
#include <utility>

namespace korvex {

namespace {

std::vector<std::string> namesOf(const TextureLibrary& library) {
    std::vector<std::string> names;
    for (const TextureEntry& entry : library) names.push_back(entry.DisplayName);
    return names;
}

bool alike(const Appearance& a, const Appearance& b) {
    return sameAppearance(a.setup, b.setup) && a.textureNames == b.textureNames;
}

// Whether `after` only has textures `before` did not, at its end.
bool onlyTexturesAdded(const Appearance& before, const Appearance& after) {
    const auto& old = before.textureNames;
    const auto& now = after.textureNames;
    return sameAppearance(before.setup, after.setup) && now.size() > old.size() &&
           std::equal(old.begin(), old.end(), now.begin());
}

}  // namespace

// A command's change: undone by putting back the appearance before it.
class AppearanceStep : public QUndoCommand {
public:
    AppearanceStep(EditHistory& history, const QString& name, KeptAppearance before, KeptAppearance after)
        : QUndoCommand(name), history_(history), before_(std::move(before)), after_(std::move(after)) {}

    void undo() override { history_.put(*before_); }
    void redo() override {
        // Pushed after the change was made.
        if (!std::exchange(fresh_, false)) history_.put(*after_);
    }
    int id() const override { return text() == EditHistory::DetailLevelStep ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        if (other->id() != id()) return false;
        after_ = static_cast<const AppearanceStep*>(other)->after_;
        setObsolete(alike(*before_, *after_));
        return true;
    }

private:
    EditHistory& history_;
    // A step's "after" is the next one's "before": they share it.
    KeptAppearance before_, after_;
    bool fresh_ = true;
};

// A texture taken out of the library ("Remove Texture") or put into it (a
// picture dropped on the window): the entry and its texture object are kept
// while the step can bring the entry back, and the object goes with the
// step once it cannot.
class TextureEntryStep : public QUndoCommand {
public:
    TextureEntryStep(EditHistory& history, const QString& name, std::size_t position, TextureEntry entry, bool adds,
                     KeptAppearance before, KeptAppearance after)
        : QUndoCommand(name),
          history_(history),
          position_(position),
          entry_(std::move(entry)),
          adds_(adds),
          inLibrary_(adds),
          before_(std::move(before)),
          after_(std::move(after)) {}
    ~TextureEntryStep() override {
        if (!inLibrary_ && entry_.TextureObject != 0 && history_.hooks_.release)
            history_.hooks_.release(entry_.TextureObject);
    }

    void undo() override {
        setInLibrary(!adds_);
        history_.put(*before_);
    }
    void redo() override {
        if (std::exchange(fresh_, false)) return;
        setInLibrary(adds_);
        history_.put(*after_);
    }

private:
    // The parts' textures are put back with the appearance after this.
    void setInLibrary(bool in) {
        TextureLibrary& library = history_.state_.textureLibrary;
        if (in) {
            library.insert(library.begin() + static_cast<std::ptrdiff_t>(std::min(position_, library.size())), entry_);
        } else if (position_ < library.size()) {
            entry_ = library[position_];
            library.erase(library.begin() + static_cast<std::ptrdiff_t>(position_));
        }
        inLibrary_ = in;
    }

    EditHistory& history_;
    std::size_t position_;
    TextureEntry entry_;
    bool adds_;
    bool inLibrary_;
    KeptAppearance before_, after_;
    bool fresh_ = true;
};

EditHistory::EditHistory(ProgramState& state, Hooks hooks) : state_(state), hooks_(std::move(hooks)) {
    recorded_ = now();
}

EditHistory::~EditHistory() {
    stack_.clear();
}

KeptAppearance EditHistory::now() const {
    return std::make_shared<const Appearance>(Appearance{hooks_.capture(), namesOf(state_.textureLibrary)});
}

void EditHistory::put(const Appearance& appearance) {
    putting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{putting_};
    // Names of textures added since are left alone: the library only grows
    // at its end outside the steps.
    TextureLibrary& library = state_.textureLibrary;
    for (std::size_t t = 0; t < std::min(library.size(), appearance.textureNames.size()); ++t)
        library[t].DisplayName = appearance.textureNames[t];
    hooks_.show(appearance.setup);
    recorded_ = now();
}

void EditHistory::note(const QString& name) {
    if (putting_) return;
    KeptAppearance after = now();
    if (alike(*recorded_, *after) || onlyTexturesAdded(*recorded_, *after)) {
        recorded_ = std::move(after);
        return;
    }
    KeptAppearance before = std::exchange(recorded_, after);
    stack_.push(new AppearanceStep(*this, name, std::move(before), std::move(after)));
}

void EditHistory::removeTexture(std::size_t position) {
    if (position >= state_.textureLibrary.size()) return;
    note(QStringLiteral("Change"));
    KeptAppearance before = recorded_;
    TextureEntry entry = detachTextureEntry(state_, position);
    recorded_ = now();
    stack_.push(new TextureEntryStep(*this, QStringLiteral("Remove Texture"), position, std::move(entry), false,
                                     std::move(before), recorded_));
}

void EditHistory::addedTexture(const QString& name) {
    if (putting_ || state_.textureLibrary.empty()) return;
    KeptAppearance before = std::exchange(recorded_, now());
    stack_.push(new TextureEntryStep(*this, name, state_.textureLibrary.size() - 1, state_.textureLibrary.back(), true,
                                     std::move(before), recorded_));
}

void EditHistory::rebase() {
    if (!putting_) recorded_ = now();
}

void EditHistory::forget() {
    stack_.clear();
    recorded_ = now();
    // A step keeps a set-up of every part: a model of thousands of parts
    // keeps fewer steps, so that the history stays within MostBytes.
    const std::size_t partBytes = sizeof(PartSetup) + 64;
    const std::size_t perStep = 64 + recorded_->setup.Parts.size() * partBytes;
    stack_.setUndoLimit(static_cast<int>(std::clamp<std::size_t>(MostBytes / perStep, FewestSteps, MostSteps)));
}

}  // namespace korvex
