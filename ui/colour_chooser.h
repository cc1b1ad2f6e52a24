#pragma once
// The colour chooser the part colour button and the scene colour commands
// share; each opens it on the colour it changes. The window shows a dialog;
// the tests answer from a script.

#include <cstdint>
#include <optional>

namespace korvex {

class ColourChooser {
public:
    virtual ~ColourChooser() = default;
    // Opens on `current`, the colour the choice changes; answers the chosen
    // colour, both as 0x00BBGGRR, or nothing when the user cancels.
    virtual std::optional<uint32_t> chooseColour(uint32_t current) = 0;
};

}  // namespace korvex
