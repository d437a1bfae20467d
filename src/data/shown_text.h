#pragma once
// What a user gave (an option's value, a file's field, a path) as a message may repeat it: control
// characters written as escapes, so they neither steer the terminal nor split the message, and a
// long value cut with a mark, so a huge field does not become a huge message.

#include <cstddef>
#include <string>
#include <string_view>

namespace zepra {

// Values longer than this many bytes are cut.
inline constexpr std::size_t kLongestShownValue = 64;

// "\e[2J\a" for ESC [ 2 J BEL, "\n" for a newline, "\x7f" for DEL; longer than
// kLongestShownValue: the first bytes (whole UTF-8 characters) and "...(N more bytes)".
std::string ShownValue(std::string_view text);

// Control characters but the line break escaped: for a whole message on its way to a terminal.
std::string WithoutControlCharacters(std::string_view text);

}  // namespace zepra
