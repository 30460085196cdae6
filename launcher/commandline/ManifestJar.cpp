#include "launcher/commandline/ManifestJar.h"

#include <cstddef>
#include <vector>

#include <windows.h>

#include "launcher/commandline/StoredZipArchive.h"
#include "support/IOException.h"

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

// Strict: a lone surrogate would become U+FFFD, a name that exists nowhere, and the runtime would
// drop the jar without a word.
std::string utf8Of(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int count = checkedCount(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), count, nullptr, 0, nullptr,
                                            nullptr);
    if (bytes <= 0) {
        throw IOException(L"Der Pfad " + text + L" kann nicht in UTF-8 umgewandelt werden.",
                          L"The path " + text + L" can not be converted to UTF-8.", IOException::Resource);
    }
    std::string converted(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), count, &converted[0], bytes, nullptr, nullptr);
    return converted;
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

std::string classPathUrl(const std::wstring& jarFolder, const ManifestEntry& entry) {
    // A class folder's URL ends with "/": without it the runtime takes it for a jar and ignores it.
    const std::string folderEnd = entry.folder ? "/" : "";
    const std::wstring& path = entry.path;
    if (!jarFolder.empty() && path.size() > jarFolder.size() && path.compare(0, jarFolder.size(), jarFolder) == 0) {
        return urlPath(utf8Of(path.substr(jarFolder.size()))) + folderEnd;
    }
    // Not below the jar's folder (the launcher's own class path is, but for a name in its short
    // form): an absolute URL. "\\server\share" starts with two empty segments, which give
    // "file://server/share".
    const std::string url = urlPath(utf8Of(path));
    return (url.rfind("//", 0) == 0 ? "file:" + url : "file:/" + url) + folderEnd;
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

std::string classPathManifest(const std::vector<ManifestEntry>& entries, const std::wstring& jarFolder) {
    std::string urls;
    for (const ManifestEntry& entry : entries) {
        if (!urls.empty()) urls += ' ';
        urls += classPathUrl(jarFolder, entry);
    }
    return "Manifest-Version: 1.0\r\n" + manifestHeaderLines("Class-Path: " + urls) + "\r\n";
}

std::string manifestJarBytes(const std::vector<ManifestEntry>& entries, const std::wstring& jarFolder) {
    return storedZipArchive({{"META-INF/", ""}, {"META-INF/MANIFEST.MF", classPathManifest(entries, jarFolder)}});
}
