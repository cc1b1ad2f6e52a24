#include "text_conversion.h"

#include "load_error.h"

#include <limits>

namespace korvex {

int32_t strToInt(std::string_view text) {
    auto fail = [&]() -> int32_t { throw LoadError("'" + std::string(text) + "' is not a valid integer value"); };
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return fail();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return fail();
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return fail();
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return fail();
    return static_cast<int32_t>(value);
}

std::string upperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool isBlankText(std::string_view text) {
    for (unsigned char c : text)
        if (c > ' ') return false;
    return true;
}

std::u16string latin1ToWide(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (unsigned char c : text) wide.push_back(c);
    return wide;
}

std::string wideToLatin1(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool pairStart =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pairStart) ++i;
        narrow.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    }
    return narrow;
}

namespace {

// Length of the valid UTF-8 sequence at s[i] and its code point, or 0.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char lead = b(0);
    std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    cp = len == 1 ? lead : lead & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::u16string utf8ToWide(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        std::size_t len = decodeUtf8(text, i, cp);
        if (len == 0) {
            cp = static_cast<unsigned char>(text[i]);
            len = 1;
        }
        if (cp >= 0x10000) {
            wide.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return wide;
}

std::string validUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t ignored = 0;
        const std::size_t len = decodeUtf8(text, i, ignored);
        if (len == 0) {
            valid.append("\xEF\xBF\xBD");
            ++i;
        } else {
            valid.append(text.substr(i, len));
            i += len;
        }
    }
    return valid;
}

std::string wideToUtf8(std::u16string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            const bool pair = cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            cp = pair ? 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00) : 0xFFFD;
        }
        if (cp < 0x80) {
            utf8.push_back(static_cast<char>(cp));
            continue;
        }
        const int tail = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
        static constexpr unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0};
        utf8.push_back(static_cast<char>(lead[tail] | (cp >> (6 * tail))));
        for (int k = tail - 1; k >= 0; --k) utf8.push_back(static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F)));
    }
    return utf8;
}

}  // namespace korvex
