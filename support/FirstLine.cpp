#include "support/FirstLine.h"

#include "support/FileInputStream.h"
#include "support/InputStream.h"
#include "support/Utf8StreamReader.h"

namespace {

// The first line of the UTF-16LE text that follows the mark in stream, by the line rules of the
// UTF-8 reader: up to the first line feed, one carriage return before it or at the end of the
// text dropped, cut at a zero unit. A last odd byte is no unit and is left out.
std::wstring readUtf16LeLine(InputStream& stream) {
    std::wstring line;
    std::string bytes;
    char buffer[4096];
    bool lineFeed = false;
    for (int count; !lineFeed && (count = stream.read(buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(count));
        std::size_t next = 0;
        for (; next + 1 < bytes.size() && !lineFeed; next += 2) {
            const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[next]) |
                                                      static_cast<unsigned char>(bytes[next + 1]) << 8);
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
        // Notepad's "Unicode" saves UTF-16LE after the mark FF FE.
        char mark[2] = {};
        if (stream.read(mark, 2) == 2 && mark[0] == '\xFF' && mark[1] == '\xFE') {
            line = readUtf16LeLine(stream);
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
