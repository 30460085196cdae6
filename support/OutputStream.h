#pragma once

// Abstract byte target.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    // Writes all count bytes and returns count. Throws IOException.
    virtual int write(const char* bytes, int count) = 0;
    // Hands buffered bytes to the operating system. Throws IOException.
    virtual void flush() = 0;
    // Flushes and releases the target; does nothing when already closed. Throws IOException.
    virtual void close() = 0;
};
