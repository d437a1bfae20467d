#include "data/shown_text.h"

namespace zepra {
namespace {

// ASCII controls and DEL; the C1 controls (U+0080 .. U+009F, 0xC2 0x80 .. 0xC2 0x9F in UTF-8)
// steer terminals as well.
std::size_t ControlLength(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x20 || c == 0x7F) return 1;
    if (c == 0xC2 && at + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[at + 1]);
        if (next >= 0x80 && next <= 0x9F) return 2;
    }
    return 0;
}

std::string Escaped(std::string_view control) {
    switch (control[0]) {
        case '\a':
            return "\\a";
        case '\b':
            return "\\b";
        case '\t':
            return "\\t";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\x1b':
            return "\\e";
        default:
            break;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (char c : control) {
        const auto byte = static_cast<unsigned char>(c);
        text += "\\x";
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

std::string EscapeControls(std::string_view text, bool keepLineBreaks) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t control = ControlLength(text, i);
        if (control == 0 || (keepLineBreaks && text[i] == '\n')) {
            shown += text[i++];
            continue;
        }
        shown += Escaped(text.substr(i, control));
        i += control;
    }
    return shown;
}

}  // namespace

std::string ShownValue(std::string_view text) {
    if (text.size() <= kLongestShownValue) return EscapeControls(text, false);
    std::size_t cut = kLongestShownValue;
    // Not inside a UTF-8 character: back to the start of the one that would be split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return EscapeControls(text.substr(0, cut), false) + "...(" + std::to_string(text.size() - cut) +
           " more bytes)";
}

std::string WithoutControlCharacters(std::string_view text) {
    return EscapeControls(text, true);
}

}  // namespace zepra
