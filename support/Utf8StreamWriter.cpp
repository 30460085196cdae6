#include "support/Utf8StreamWriter.h"

#include "support/OutputStream.h"

Utf8StreamWriter::Utf8StreamWriter(OutputStream& target) : target_(target), converter_() {}

void Utf8StreamWriter::write(const wchar_t* text, int count) {
    converter_.convert(text, count);
    target_.write(converter_.data(), converter_.length());
}

void Utf8StreamWriter::flush() { target_.flush(); }

void Utf8StreamWriter::close() { target_.close(); }
