#include "launcher/commandline/ManifestJar.h"

#include <cstddef>
#include <vector>

#include "launcher/commandline/StoredZipArchive.h"
#include "support/IOException.h"
#include "support/ToUtf8Converter.h"

namespace {

constexpr std::size_t kManifestLineBytes = 72;

bool isUnreservedUrlByte(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

bool isDriveSegment(const std::string& segment) {
    const char letter = segment.size() == 2 ? segment[0] : '\0';
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && segment[1] == ':';
}

bool isUtf8ContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::string utf8Of(ToUtf8Converter& converter, const std::wstring& text) {
    converter.convert(text.data(), checkedCount(text.size()));
    return std::string(converter.data(), static_cast<std::size_t>(converter.length()));
}

// path's "\"-separated segments, each URL-encoded, joined by "/". A drive ("C:") keeps its colon.
std::string urlPath(const std::string& path) {
    std::string url;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find('\\', start);
        const std::string segment = path.substr(start, end == std::string::npos ? end : end - start);
        url += start == 0 && isDriveSegment(segment) ? segment : urlPathSegment(segment);
        if (end == std::string::npos) return url;
        url += '/';
        start = end + 1;
    }
}

std::string classPathUrlOf(ToUtf8Converter& converter, const std::wstring& jarFolder, const std::wstring& entry) {
    if (!jarFolder.empty() && entry.size() > jarFolder.size() && entry.compare(0, jarFolder.size(), jarFolder) == 0) {
        return urlPath(utf8Of(converter, entry.substr(jarFolder.size())));
    }
    // Not below the jar's folder (the launcher's own class path always is): an absolute URL.
    // "\\server\share" starts with two empty segments, which give "file://server/share".
    const std::string path = urlPath(utf8Of(converter, entry));
    return path.rfind("//", 0) == 0 ? "file:" + path : "file:/" + path;
}

std::vector<std::wstring> classpathEntries(const std::wstring& classpath) {
    std::vector<std::wstring> entries;
    for (std::size_t start = 0; start <= classpath.size();) {
        const std::size_t end = classpath.find(L';', start);
        const std::size_t stop = end == std::wstring::npos ? classpath.size() : end;
        if (stop > start) entries.push_back(classpath.substr(start, stop - start));
        start = stop + 1;
    }
    return entries;
}

}  // namespace

std::string urlPathSegment(const std::string& utf8Segment) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char character : utf8Segment) {
        const unsigned char byte = static_cast<unsigned char>(character);
        if (isUnreservedUrlByte(byte)) {
            encoded += character;
        } else {
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string classPathUrl(const std::wstring& jarFolder, const std::wstring& entry) {
    ToUtf8Converter converter;
    return classPathUrlOf(converter, jarFolder, entry);
}

std::string manifestHeaderLines(const std::string& header) {
    std::string lines;
    std::size_t start = 0;
    std::size_t room = kManifestLineBytes;
    do {
        std::size_t end = start + room;
        if (end >= header.size()) {
            end = header.size();
        } else {
            // Back to the first byte of the character that would be cut; a character always
            // fits a line (at most 4 bytes against 71).
            while (end > start + 1 && isUtf8ContinuationByte(header[end])) --end;
        }
        if (start > 0) lines += ' ';
        lines.append(header, start, end - start);
        lines += "\r\n";
        start = end;
        room = kManifestLineBytes - 1;  // the blank that marks a continued line counts
    } while (start < header.size());
    return lines;
}

std::string classPathManifest(const std::wstring& classpath, const std::wstring& jarFolder) {
    ToUtf8Converter converter;
    std::string urls;
    for (const std::wstring& entry : classpathEntries(classpath)) {
        if (!urls.empty()) urls += ' ';
        urls += classPathUrlOf(converter, jarFolder, entry);
    }
    return "Manifest-Version: 1.0\r\n" + manifestHeaderLines("Class-Path: " + urls) + "\r\n";
}

std::string manifestJarBytes(const std::wstring& classpath, const std::wstring& jarFolder) {
    return storedZipArchive({{"META-INF/", ""}, {"META-INF/MANIFEST.MF", classPathManifest(classpath, jarFolder)}});
}
