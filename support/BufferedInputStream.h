#pragma once

#include <memory>

class InputStream;

// Cuts a byte stream into lines. Only LF ends a line; one CR directly before it is dropped; a
// last line without LF is returned; lines of any length are returned whole (the buffer doubles
// as often as needed and never shrinks). Refers to its source without owning it.
class BufferedInputStream {
public:
    // Reads the first block at once, so it throws what the source's read throws.
    explicit BufferedInputStream(InputStream& source);
    virtual ~BufferedInputStream();  // releases the buffer; does not close the source

    BufferedInputStream(const BufferedInputStream&) = delete;
    BufferedInputStream& operator=(const BufferedInputStream&) = delete;

    // The next line's bytes, zero-terminated and without line end, valid until the next call;
    // nullptr (and length 0) when no line is left. Throws IOException.
    virtual const char* readLine(int& length);
    // Closes the source. Throws IOException.
    virtual void close();

    int capacity() const { return capacity_; }

private:
    std::unique_ptr<char[]> buffer_;
    int capacity_;
    int position_;
    int end_;
    InputStream& source_;
};

// Capacity of a line buffer that a line longer than the whole buffer makes double; -1 when the
// doubled buffer, with its terminator byte, no longer fits a 32-bit count.
int doubledCapacity(int capacity);
