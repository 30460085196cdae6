#include "support/FirstLine.h"

#include "support/FileInputStream.h"
#include "support/InputStream.h"
#include "support/Utf8StreamReader.h"

namespace {

// The first line of the UTF-16 text that follows the mark in stream, by the line rules of the
// UTF-8 reader: up to the first line feed, one carriage return before it or at the end of the
// text dropped, cut at a zero unit. A last odd byte is no unit and is left out.
std::wstring readUtf16Line(InputStream& stream, bool bigEndian) {
    std::wstring line;
    std::string bytes;
    char buffer[4096];
    bool lineFeed = false;
    for (int count; !lineFeed && (count = stream.read(buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(count));
        std::size_t next = 0;
        for (; next + 1 < bytes.size() && !lineFeed; next += 2) {
            const unsigned int first = static_cast<unsigned char>(bytes[next]);
            const unsigned int second = static_cast<unsigned char>(bytes[next + 1]);
            const wchar_t unit = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
            lineFeed = unit == L'\n';
            if (!lineFeed) line += unit;
        }
        bytes.erase(0, next);
    }
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return line.substr(0, line.find(L'\0'));
}

}  // namespace

std::wstring readFirstLine(const std::wstring& path) {
    std::wstring line;
    {
        FileInputStream stream(path);
        if (!stream.isOpen()) return line;
        // Notepad's "Unicode" saves UTF-16LE after the mark FF FE; other editors offer UTF-16BE,
        // FE FF, which read as UTF-8 would give garbage cut at the first zero byte.
        char mark[2] = {};
        const bool marked = stream.read(mark, 2) == 2;
        const bool littleEndian = marked && mark[0] == '\xFF' && mark[1] == '\xFE';
        const bool bigEndian = marked && mark[0] == '\xFE' && mark[1] == '\xFF';
        if (littleEndian || bigEndian) {
            line = readUtf16Line(stream, bigEndian);
            stream.close();
            return line;
        }
        stream.close();
    }
    // Anything else is UTF-8, read again from its first byte.
    FileInputStream stream(path);
    if (!stream.isOpen()) return line;
    Utf8StreamReader reader(stream);
    reader.readLine(line);
    reader.close();
    // Editors such as older Notepad start a UTF-8 file with a byte-order mark: it marks the file,
    // it is no part of the setting.
    if (!line.empty() && line[0] == L'\uFEFF') line.erase(0, 1);
    return line;
}
