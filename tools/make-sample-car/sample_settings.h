#pragma once
// The sample car's settings file: readable names through the part codes,
// transparent windows, a reflective body, and level-of-detail ranges that
// hand over from the detailed parts to the lower-detail hull.

#include <string>
#include <vector>

namespace korvex::samplecar {

// The settings file for parts with these codes, row by row, with CR LF line ends.
std::string sampleSettingsFile(const std::vector<std::string>& codes);

}  // namespace korvex::samplecar
