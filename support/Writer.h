#pragma once

// Abstract text writer.
class Writer {
public:
    virtual ~Writer() = default;
    // Writes exactly count UTF-16 units. Throws IOException.
    virtual void write(const wchar_t* text, int count) = 0;
    virtual void flush() = 0;
    virtual void close() = 0;
};
