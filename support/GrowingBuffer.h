#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// Answers the text that a call filling a caller's buffer (GetSystemDirectoryW, GetModuleFileNameW,
// GetFullPathNameW and the like) writes, asking again with more room until it fits. fill(buffer,
// capacity) passes on what the call answers: 0 for a failure, the length without the terminator
// when the text fit, and a number no smaller than capacity when it did not: the units needed, or,
// for a call that cuts the text off, the capacity itself. Empty when the call fails; throws
// nothing of its own.
template <typename Fill>
std::wstring callWithGrowingBuffer(Fill fill) {
    // Most answers are paths, and most paths fit the classic limit of 260 units.
    std::vector<wchar_t> buffer(260);
    for (;;) {
        const unsigned long length = fill(buffer.data(), static_cast<unsigned long>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        // At least double: a call that cuts off says only that the text did not fit.
        buffer.resize(std::max<std::size_t>(static_cast<std::size_t>(length) + 1, 2 * buffer.size()));
    }
}
