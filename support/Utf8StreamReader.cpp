#include "support/Utf8StreamReader.h"

#include "support/InputStream.h"

Utf8StreamReader::Utf8StreamReader(InputStream& source) : source_(source), buffered_(source), converter_() {}

const wchar_t* Utf8StreamReader::readLine(int& length) {
    int byteCount = 0;
    const char* const bytes = buffered_.readLine(byteCount);
    if (!bytes) return nullptr;
    converter_.convert(bytes, byteCount);
    length = converter_.length();
    return converter_.data();
}

void Utf8StreamReader::close() { source_.close(); }

bool Utf8StreamReader::readLine(std::wstring& line) {
    int length = 0;
    const wchar_t* const text = readLine(length);
    if (!text) {
        line.clear();
        return false;
    }
    // Up to the first zero unit; assign keeps the string's capacity, so a caller that reuses
    // one string allocates nothing per line.
    line.assign(text);
    return true;
}
