#pragma once
// The program's name and version, as its windows show them and as it signs
// the files it writes.

#include <string_view>

namespace korvex {

inline constexpr std::string_view ApplicationTitle = "Korvex Model Viewer";
inline constexpr std::string_view ProgramVersion = "1.0";

}  // namespace korvex
