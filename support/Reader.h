#pragma once

// Abstract text reader.
class Reader {
public:
    virtual ~Reader() = default;
    // The next line as UTF-16 (zero-terminated, valid until the next call) and its unit count;
    // nullptr when no line is left. Throws IOException.
    virtual const wchar_t* readLine(int& length) = 0;
    virtual void close() = 0;
};
