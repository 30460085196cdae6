#pragma once

#include <string>

#include "support/BufferedInputStream.h"
#include "support/Reader.h"
#include "support/ToUnicodeConverter.h"

class InputStream;

// Reads UTF-8 lines from a byte stream. No byte-order mark is recognised: one at the start of a
// file stays in the first line as U+FEFF. Construct it only over an open stream; construction
// reads the first block. Refers to its source without owning it.
class Utf8StreamReader : public Reader {
public:
    explicit Utf8StreamReader(InputStream& source);  // throws IOException

    // All units of the line, zero units inside included. Throws IOException.
    const wchar_t* readLine(int& length) override;
    void close() override;  // closes the source; throws IOException
    // The line up to its first zero unit; false (and line empty) when no line is left.
    virtual bool readLine(std::wstring& line);

private:
    InputStream& source_;
    BufferedInputStream buffered_;
    ToUnicodeConverter converter_;
};
