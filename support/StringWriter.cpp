#include "support/StringWriter.h"

#include <cstring>
#include <new>

#include "support/CapacityGrowth.h"
#include "support/IOException.h"

namespace {

constexpr int kInitialCapacity = 8000;

// Replaces buffer by one of the grown capacity for needed units (terminator included), with the
// first length units moved over; on failure the old buffer and capacity stay.
void grow(std::unique_ptr<wchar_t[]>& buffer, int& capacity, int length, long long needed) {
    // The terminator is already part of the need, so the new buffer is exactly the new capacity.
    const int newCapacity = grownCapacity(needed);
    if (newCapacity < 0) throw notEnoughMemory();
    wchar_t* const newBuffer = new (std::nothrow) wchar_t[static_cast<std::size_t>(newCapacity)];
    if (!newBuffer) throw notEnoughMemory();
    std::memcpy(newBuffer, buffer.get(), static_cast<std::size_t>(length) * sizeof(wchar_t));
    buffer.reset(newBuffer);
    capacity = newCapacity;
}

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
    if (capacity_ < needed) grow(buffer_, capacity_, length_, needed);
    if (count > 0) std::memcpy(buffer_.get() + length_, text, static_cast<std::size_t>(count) * sizeof(wchar_t));
    length_ += count;
    buffer_[length_] = L'\0';
}

const wchar_t* StringWriter::text() const { return buffer_.get(); }

void StringWriter::reserve(long long units) {
    if (capacity_ >= units) return;
    // The terminator after the text moves over with it.
    grow(buffer_, capacity_, length_ + 1, units);
}
