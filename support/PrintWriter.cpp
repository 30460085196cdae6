#include "support/PrintWriter.h"

#include "support/IOException.h"

PrintWriter::PrintWriter(Writer& target) : target_(target) {}

void PrintWriter::write(const wchar_t* text, int count) { target_.write(text, count); }

void PrintWriter::flush() { target_.flush(); }

void PrintWriter::close() { target_.close(); }

void PrintWriter::print(const std::wstring& text) { write(text.data(), checkedCount(text.size())); }

void PrintWriter::newLine() {
    static constexpr wchar_t kLineEnd[] = {L'\r', L'\n'};
    write(kLineEnd, 2);
}

void PrintWriter::println(const std::wstring& text) {
    print(text);
    newLine();
}
