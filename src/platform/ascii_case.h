#pragma once
// Letter case of ASCII text, the same under every locale: the C library's tolower follows the
// locale, and under Turkish 'I' has no one-byte lower case, so "SILABSER0" would not match
// "silabser0".

namespace zepra {

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace zepra
