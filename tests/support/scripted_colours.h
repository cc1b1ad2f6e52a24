#pragma once
// A colour chooser that answers from a script: each answer in turn, then
// Cancel; it counts how often it was asked and keeps the colour it was last
// opened on.

#include "ui/colour_chooser.h"

#include <deque>
#include <optional>

namespace korvex::fixtures {

class ScriptedColours : public ColourChooser {
public:
    std::optional<uint32_t> chooseColour(uint32_t current) override {
        ++asked;
        openedOn = current;
        if (answers.empty()) return std::nullopt;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<uint32_t>> answers;
    int asked = 0;
    std::optional<uint32_t> openedOn;
};

}  // namespace korvex::fixtures
