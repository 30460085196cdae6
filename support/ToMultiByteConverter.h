#pragma once

#include <memory>

// Converts UTF-16 text into a code page, into a buffer that the converter owns and reuses: it
// grows to the need plus 30 % and never shrinks, so converting line after line does not
// allocate each time. A result stays valid until the next convert or destruction.
class ToMultiByteConverter {
public:
    explicit ToMultiByteConverter(unsigned int codePage);
    virtual ~ToMultiByteConverter();

    ToMultiByteConverter(const ToMultiByteConverter&) = delete;
    ToMultiByteConverter& operator=(const ToMultiByteConverter&) = delete;

    // Converts exactly count units (zero units included). Throws IOException ("Error during
    // UTF-8 conversion", or "Not enough memory" when the buffer cannot grow).
    virtual void convert(const wchar_t* text, int count);
    // Converts up to the first zero unit. Throws as above.
    virtual void convert(const wchar_t* text);
    // Bytes of the last result, without the terminating zero byte.
    virtual int length() const;
    // The last result, always followed by a zero byte.
    virtual const char* data() const;

    int capacity() const { return capacity_; }

private:
    unsigned int codePage_;
    int capacity_;
    int length_;
    std::unique_ptr<char[]> buffer_;
};
