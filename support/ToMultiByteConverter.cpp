#include "support/ToMultiByteConverter.h"

#include <cwchar>
#include <new>

#include <windows.h>

#include "support/CapacityGrowth.h"
#include "support/IOException.h"

namespace {

constexpr int kInitialCapacity = 1000;

// Makes room for needed bytes plus the terminator. The old content is scratch and not copied;
// on failure the old buffer and capacity stay.
void ensureCapacity(std::unique_ptr<char[]>& buffer, int& capacity, long long needed) {
    if (capacity >= needed) return;
    const int newCapacity = grownCapacity(needed);
    if (newCapacity < 0) throw notEnoughMemory();
    char* const newBuffer = new (std::nothrow) char[static_cast<std::size_t>(newCapacity) + 1];
    if (!newBuffer) throw notEnoughMemory();
    buffer.reset(newBuffer);
    capacity = newCapacity;
}

IOException conversionFailure() {
    return IOException(L"Fehler bei der UTF-8 Konvertierung",
                       L"Error during UTF-8 conversion",
                       IOException::Resource);
}

}  // namespace

ToMultiByteConverter::ToMultiByteConverter(unsigned int codePage)
    : codePage_(codePage),
      capacity_(kInitialCapacity),
      length_(0),
      buffer_(new char[kInitialCapacity + 1]) {
    buffer_[0] = '\0';
}

ToMultiByteConverter::~ToMultiByteConverter() = default;

void ToMultiByteConverter::convert(const wchar_t* text, int count) {
    if (count <= 0) {
        length_ = 0;
        buffer_[0] = '\0';
        return;
    }
    // Two bytes per unit always suffice for the ANSI code page; UTF-8 may need three, which the
    // second attempt below covers.
    ensureCapacity(buffer_, capacity_, 2LL * count);
    int converted = ::WideCharToMultiByte(codePage_, 0, text, count, buffer_.get(), capacity_, nullptr, nullptr);
    if (converted == 0) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) throw conversionFailure();
        ensureCapacity(buffer_, capacity_, 2LL * capacity_);
        converted = ::WideCharToMultiByte(codePage_, 0, text, count, buffer_.get(), capacity_, nullptr, nullptr);
        if (converted == 0) throw conversionFailure();
    }
    length_ = converted;
    buffer_[length_] = '\0';
}

void ToMultiByteConverter::convert(const wchar_t* text) {
    convert(text, text ? checkedCount(std::wcslen(text)) : 0);
}

int ToMultiByteConverter::length() const { return length_; }

const char* ToMultiByteConverter::data() const { return buffer_.get(); }
