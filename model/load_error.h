#pragma once

#include <stdexcept>
#include <string>

namespace korvex {

// A failure while reading a file. Its what() is the exact text the user sees.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* StreamReadError = "Stream read error";

}  // namespace korvex
