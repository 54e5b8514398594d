#pragma once
// Which typed characters the conditions dialog's fields take. Only typing is
// filtered: text that arrives otherwise (pasting, settings, the archive mask
// rule) is taken as it is, and keys that move the focus, close the dialog or
// edit (Tab, Shift+Tab, Escape, Enter, Backspace, Delete) always pass.

#include <string_view>

namespace nebu {

// Mask fields refuse the characters that cannot be part of a file name
// pattern here, and the blank.
inline bool MaskFieldTakes(char32_t c) {
    switch (c) {
        case U' ':
        case U'"':
        case U',':
        case U'/':
        case U':':
        case U'<':
        case U'>':
        case U'\\':
            return false;
        default:
            return true;
    }
}

// Size fields take decimal digits only.
inline bool SizeFieldTakes(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// A character that a key puts into a field, as opposed to the control
// characters that keys such as Tab (\t), Enter (\r) or Escape carry.
inline bool IsTypedCharacter(char32_t c) {
    return c >= U' ' && c != U'\x7f';
}

// Whether a field with the filter `takes` refuses a key press that carries
// `text`. Alt combinations are commands (menus, buttons' mnemonics), never
// typing, so their characters never reach the field. Ctrl combinations carry
// control characters and pass: the field reads them as editing commands
// (copy, paste, undo) and types nothing for them.
inline bool FieldRefusesKey(std::u32string_view text, bool withAlt, bool (*takes)(char32_t)) {
    bool typing = false;
    for (const char32_t c : text) {
        if (!IsTypedCharacter(c)) continue;
        typing = true;
        if (!takes(c)) return true;
    }
    return typing && withAlt;
}

}  // namespace nebu
