#pragma once

#include <string>

// The text with its control bytes (below 0x20, and 0x7F) shown as \xHH and every other byte as it
// is: a name from a skin or a ROM can then neither forge a line of a listing or message nor send
// escapes to the terminal.
inline std::string Printable(const std::string& text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else {
            shown += "\\x";
            shown += kDigits[byte >> 4];
            shown += kDigits[byte & 15];
        }
    }
    return shown;
}
