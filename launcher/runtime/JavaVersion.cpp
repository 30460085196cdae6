#include "launcher/runtime/JavaVersion.h"

#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t kLargestNumber = std::numeric_limits<int>::max();

// Reads the digits at position; no digit gives 0 and leaves position where it is. The value
// stops growing at the largest int, so a registry value of a thousand digits cannot overflow.
std::int64_t readNumber(const std::wstring& text, std::size_t& position) {
    std::int64_t value = 0;
    while (position < text.size() && text[position] >= L'0' && text[position] <= L'9') {
        value = value * 10 + (text[position] - L'0');
        if (value > kLargestNumber) value = kLargestNumber;
        ++position;
    }
    return value;
}

// Checks the separator after a number, if the text goes on, and steps over it either way.
void skipSeparator(const std::wstring& text, std::size_t& position, wchar_t expected, bool& valid) {
    if (position < text.size()) {
        if (text[position] != expected) valid = false;
        ++position;
    }
}

}  // namespace

JavaVersion::JavaVersion(const std::wstring& text) : valid_(true), text_(text), number_(0) {
    std::size_t position = 0;
    const std::int64_t first = readNumber(text_, position);
    skipSeparator(text_, position, L'.', valid_);
    const std::int64_t second = readNumber(text_, position);
    skipSeparator(text_, position, L'.', valid_);
    const std::int64_t third = readNumber(text_, position);
    skipSeparator(text_, position, L'_', valid_);
    const std::int64_t fourth = readNumber(text_, position);

    // Each part is at most 2^31 - 1, so the sum fits 64 bits; the result saturates like its parts.
    const std::int64_t number = first * 10000000 + second * 100000 + third * 1000 + fourth;
    number_ = static_cast<int>(number > kLargestNumber ? kLargestNumber : number);
}
