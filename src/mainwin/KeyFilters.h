#pragma once
// Which typed characters the conditions dialog's fields take. Only typing is
// filtered: text that arrives otherwise (pasting, settings, the archive mask
// rule) is taken as it is.

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

// Size fields take decimal digits and backspace only.
inline bool SizeFieldTakes(char32_t c) {
    return (c >= U'0' && c <= U'9') || c == U'\b';
}

}  // namespace nebu
