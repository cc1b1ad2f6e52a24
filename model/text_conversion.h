#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

// A decimal integer with an optional sign that fits 32 bits; anything else
// throws LoadError("'TEXT' is not a valid integer value").
int32_t strToInt(std::string_view text);

// `text` with the letters a to z turned to upper case; every other byte kept.
std::string upperAscii(std::string_view text);

// True for a text that is empty or holds only spaces and control characters.
bool isBlankText(std::string_view text);

// Single-byte text (part names, settings rows) as shown in the tree.
std::u16string latin1ToWide(std::string_view text);

// Text typed by the user, as single-byte characters: a character beyond
// Latin-1 (a surrogate pair counting as one) becomes '?'.
std::string wideToLatin1(std::u16string_view text);

// A file name from the system; bytes that are not valid UTF-8 are taken as Latin-1.
std::u16string utf8ToWide(std::string_view text);

// Text as UTF-8 for other programs' files; a lone surrogate becomes U+FFFD.
std::string wideToUtf8(std::u16string_view text);

// `text` with every byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace korvex
