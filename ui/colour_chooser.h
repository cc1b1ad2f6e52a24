#pragma once
// The colour chooser the part colour button and the scene colour commands
// share. The window shows a dialog; the tests answer from a script.

#include <cstdint>
#include <optional>

namespace korvex {

class ColourChooser {
public:
    virtual ~ColourChooser() = default;
    // The chosen colour as 0x00BBGGRR, or nothing when the user cancels.
    virtual std::optional<uint32_t> chooseColour() = 0;
};

}  // namespace korvex
