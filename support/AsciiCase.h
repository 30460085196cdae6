#pragma once

// A-Z to a-z, every other unit unchanged: for comparing names whose case can differ only in plain
// letters (file extensions of our patterns, drive letters), without asking the locale.
inline wchar_t lowerAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}
