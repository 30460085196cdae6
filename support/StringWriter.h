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
    // The collected text, zero-terminated; valid until the next write, reserve or destruction.
    const wchar_t* text() const;
    // Grows the buffer once, by the same rule as write (the need plus 30 %), so that it holds at
    // least units units, terminator included; does nothing when it already does. A caller that
    // knows the size ahead saves the copies, and the moments of holding two buffers, that
    // growing by need costs. Throws IOException ("Not enough memory") as write does; the text
    // stays intact.
    void reserve(long long units);

    int capacity() const { return capacity_; }
    int length() const { return length_; }

private:
    int capacity_;
    int length_;
    std::unique_ptr<wchar_t[]> buffer_;
};
