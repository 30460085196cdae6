#pragma once

#include "support/ToUtf8Converter.h"
#include "support/Writer.h"

class OutputStream;

// Writes text as UTF-8 to a byte stream: no byte-order mark, no line-end translation. Refers to
// its target without owning it; closing it closes the target.
class Utf8StreamWriter : public Writer {
public:
    explicit Utf8StreamWriter(OutputStream& target);

    // One conversion, then one write of all its bytes; nothing is written when the conversion
    // fails. Throws IOException.
    void write(const wchar_t* text, int count) override;
    void flush() override;  // throws IOException
    void close() override;  // throws IOException

private:
    OutputStream& target_;
    ToUtf8Converter converter_;
};
