#pragma once

#include <memory>

// Converts UTF-8 bytes into UTF-16, into an owned buffer that grows like the one of
// ToMultiByteConverter. Invalid sequences do not stop the conversion: they become what the
// system's non-strict conversion makes of them.
class ToUnicodeConverter {
public:
    ToUnicodeConverter();
    virtual ~ToUnicodeConverter();

    ToUnicodeConverter(const ToUnicodeConverter&) = delete;
    ToUnicodeConverter& operator=(const ToUnicodeConverter&) = delete;

    // Converts exactly count bytes. Throws IOException ("Error during Unicode conversion", or
    // "Not enough memory").
    virtual void convert(const char* bytes, int count);
    // UTF-16 units of the last result, without the terminating zero unit.
    virtual int length() const;
    // The last result, always followed by a zero unit.
    virtual const wchar_t* data() const;

    int capacity() const { return capacity_; }

private:
    int capacity_;
    int length_;
    std::unique_ptr<wchar_t[]> buffer_;
};
