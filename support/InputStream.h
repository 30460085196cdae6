#pragma once

// Abstract byte source.
class InputStream {
public:
    virtual ~InputStream() = default;
    // Fills buffer with up to maximum bytes and returns how many; 0 means end of input, again on
    // every further call. Throws IOException.
    virtual int read(char* buffer, int maximum) = 0;
    // Releases the source; does nothing when already closed. Throws IOException.
    virtual void close() = 0;
};
