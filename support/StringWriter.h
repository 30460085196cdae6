#pragma once

#include <memory>

#include "support/Writer.h"

// Collects written text in memory (the error-report mailer's report). The buffer grows to the
// need plus 30 %, keeping what was written; it never shrinks.
class StringWriter : public Writer {
public:
    StringWriter();  // 8000 units, empty text

    StringWriter(const StringWriter&) = delete;
    StringWriter& operator=(const StringWriter&) = delete;

    // Throws IOException ("Not enough memory") when the buffer cannot grow or the text would
    // pass what a 32-bit count holds; the text written so far stays intact.
    void write(const wchar_t* text, int count) override;
    void flush() override {}
    void close() override {}
    // The collected text, zero-terminated; valid until the next write or destruction.
    const wchar_t* text() const;

    int capacity() const { return capacity_; }
    int length() const { return length_; }

private:
    int capacity_;
    int length_;
    std::unique_ptr<wchar_t[]> buffer_;
};
