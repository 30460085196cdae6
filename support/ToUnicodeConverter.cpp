#include "support/ToUnicodeConverter.h"

#include <cstdint>
#include <cstring>
#include <new>

#include <windows.h>

#include "support/CapacityGrowth.h"
#include "support/IOException.h"

namespace {

constexpr int kInitialCapacity = 1000;
constexpr std::uint64_t kHighBitOfEachByte = 0x8080808080808080ULL;

// Copies the leading ASCII bytes (below 0x80) of bytes into units, one unit each, eight at a
// time while eight in a row are ASCII, and returns how many it copied. Log lines are nearly all
// ASCII, and Wine's conversion walks them byte by byte with a table lookup.
int widenLeadingAscii(const char* bytes, int count, wchar_t* units) {
    int index = 0;
    for (; count - index >= 8; index += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, bytes + index, sizeof eight);
        if (eight & kHighBitOfEachByte) break;
        for (int k = 0; k < 8; ++k) units[index + k] = static_cast<wchar_t>(bytes[index + k]);
    }
    for (; index < count && static_cast<unsigned char>(bytes[index]) < 0x80; ++index) {
        units[index] = static_cast<wchar_t>(bytes[index]);
    }
    return index;
}

}  // namespace

ToUnicodeConverter::ToUnicodeConverter()
    : capacity_(kInitialCapacity), length_(0), buffer_(new wchar_t[kInitialCapacity + 1]) {
    buffer_[0] = L'\0';
}

ToUnicodeConverter::~ToUnicodeConverter() = default;

void ToUnicodeConverter::convert(const char* bytes, int count) {
    if (count <= 0) {
        length_ = 0;
        buffer_[0] = L'\0';
        return;
    }
    // One unit per byte always suffices, also for invalid sequences (one U+FFFD per bad byte).
    if (capacity_ < count) {
        const int newCapacity = grownCapacity(count);
        if (newCapacity < 0) throw notEnoughMemory();
        wchar_t* const newBuffer = new (std::nothrow) wchar_t[static_cast<std::size_t>(newCapacity) + 1];
        if (!newBuffer) throw notEnoughMemory();
        // The old content is scratch: nothing to copy.
        buffer_.reset(newBuffer);
        capacity_ = newCapacity;
    }
    // An ASCII byte is a whole character and ends any broken sequence before it, so the system
    // converts the rest, from the first other byte on, exactly as it would the whole line.
    const int ascii = widenLeadingAscii(bytes, count, buffer_.get());
    if (ascii == count) {
        length_ = count;
        buffer_[length_] = L'\0';
        return;
    }
    // No MB_ERR_INVALID_CHARS: a line with bad bytes is still read, with what the system makes
    // of them, rather than stopping the whole file.
    const int converted =
        ::MultiByteToWideChar(CP_UTF8, 0, bytes + ascii, count - ascii, buffer_.get() + ascii, capacity_ - ascii);
    if (converted == 0) {
        throw IOException(L"Fehler bei der Unicode Konvertierung",
                          L"Error during Unicode conversion",
                          IOException::Resource);
    }
    length_ = ascii + converted;
    buffer_[length_] = L'\0';
}

int ToUnicodeConverter::length() const { return length_; }

const wchar_t* ToUnicodeConverter::data() const { return buffer_.get(); }
