#include "support/ToUnicodeConverter.h"

#include <new>

#include <windows.h>

#include "support/CapacityGrowth.h"
#include "support/IOException.h"

namespace {

constexpr int kInitialCapacity = 1000;

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
    // No MB_ERR_INVALID_CHARS: a line with bad bytes is still read, with what the system makes
    // of them, rather than stopping the whole file.
    const int converted = ::MultiByteToWideChar(CP_UTF8, 0, bytes, count, buffer_.get(), capacity_);
    if (converted == 0) {
        throw IOException(L"Fehler bei der Unicode Konvertierung",
                          L"Error during Unicode conversion",
                          IOException::Resource);
    }
    length_ = converted;
    buffer_[length_] = L'\0';
}

int ToUnicodeConverter::length() const { return length_; }

const wchar_t* ToUnicodeConverter::data() const { return buffer_.get(); }
