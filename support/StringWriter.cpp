#include "support/StringWriter.h"

#include <cstring>
#include <new>

#include "support/IOException.h"
#include "support/ToMultiByteConverter.h"

namespace {

constexpr int kInitialCapacity = 8000;

}  // namespace

StringWriter::StringWriter()
    : capacity_(kInitialCapacity), length_(0), buffer_(new wchar_t[kInitialCapacity]) {
    buffer_[0] = L'\0';
}

void StringWriter::write(const wchar_t* text, int count) {
    if (count < 0) count = 0;
    // 64-bit: length_ + count + 1 may pass what a 32-bit count holds, which grownCapacity rejects
    // before anything is allocated or copied.
    const long long needed = static_cast<long long>(length_) + count + 1;
    if (capacity_ < needed) {
        // The terminator is already part of the need, so the new buffer is exactly the new
        // capacity; what was written so far moves over, and stays intact on failure.
        const int newCapacity = grownCapacity(needed);
        if (newCapacity < 0) throw notEnoughMemory();
        wchar_t* const newBuffer = new (std::nothrow) wchar_t[static_cast<std::size_t>(newCapacity)];
        if (!newBuffer) throw notEnoughMemory();
        std::memcpy(newBuffer, buffer_.get(), static_cast<std::size_t>(length_) * sizeof(wchar_t));
        buffer_.reset(newBuffer);
        capacity_ = newCapacity;
    }
    if (count > 0) std::memcpy(buffer_.get() + length_, text, static_cast<std::size_t>(count) * sizeof(wchar_t));
    length_ += count;
    buffer_[length_] = L'\0';
}

const wchar_t* StringWriter::text() const { return buffer_.get(); }
