#pragma once

#include <string>

#include "support/Writer.h"

// Strings and CR LF line ends on top of any Writer; never flushes on its own. Refers to its
// target without owning it; closing it closes the target.
class PrintWriter : public Writer {
public:
    explicit PrintWriter(Writer& target);

    void write(const wchar_t* text, int count) override;  // throws IOException
    void flush() override;
    void close() override;
    virtual void print(const std::wstring& text);
    virtual void newLine();                          // CR LF
    virtual void println(const std::wstring& text);  // print, then newLine: two writes

private:
    Writer& target_;
};
