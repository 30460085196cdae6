#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Reads what the launcher's manifest jar holds, by the zip format's own description, not by the
// launcher's writer: the central directory from its end record, each entry's local header, and
// the manifest's Class-Path with its continued lines joined and its URLs decoded.
namespace jartest {

inline std::uint32_t read16(const std::string& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) return 0;
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

inline std::uint32_t read32(const std::string& bytes, std::size_t at) {
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

// name -> bytes of every entry, for an archive whose entries are all stored (method 0). Adds a
// test failure for anything that does not agree with the format.
inline std::map<std::string, std::string> storedZipEntries(const std::string& archive) {
    std::map<std::string, std::string> entries;
    if (archive.size() < 22 || read32(archive, archive.size() - 22) != 0x06054B50) {
        ADD_FAILURE() << "no end record without comment at the end of the archive";
        return entries;
    }
    const std::size_t end = archive.size() - 22;
    const std::uint32_t count = read16(archive, end + 10);
    EXPECT_EQ(read16(archive, end + 8), count) << "entries on this disk and in all";
    std::size_t central = read32(archive, end + 16);
    EXPECT_EQ(central + read32(archive, end + 12), end) << "central directory ends where the end record starts";
    for (std::uint32_t i = 0; i < count; ++i) {
        if (read32(archive, central) != 0x02014B50) {
            ADD_FAILURE() << "central header " << i << " missing";
            break;
        }
        const std::size_t nameLength = read16(archive, central + 28);
        const std::string name = archive.substr(central + 46, nameLength);
        const std::uint32_t size = read32(archive, central + 24);
        const std::size_t local = read32(archive, central + 42);
        EXPECT_EQ(read16(archive, central + 10), 0u) << name << ": stored";
        EXPECT_EQ(read32(archive, central + 20), size) << name << ": compressed and plain size";
        EXPECT_EQ(read32(archive, local), 0x04034B50u) << name << ": local header";
        EXPECT_EQ(archive.substr(local + 30, read16(archive, local + 26)), name) << "local name";
        EXPECT_EQ(read32(archive, local + 14), read32(archive, central + 16)) << name << ": same CRC in both headers";
        const std::size_t data = local + 30 + read16(archive, local + 26) + read16(archive, local + 28);
        entries[name] = archive.substr(data, size);
        central += 46 + nameLength + read16(archive, central + 30) + read16(archive, central + 32);
    }
    return entries;
}

// The manifest's main section as "Name: value" headers, continued lines joined. Adds a failure
// for a line longer than 72 bytes or one not ended by CR LF.
inline std::vector<std::string> manifestHeaders(const std::string& manifest) {
    std::vector<std::string> headers;
    for (std::size_t start = 0; start < manifest.size();) {
        const std::size_t end = manifest.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "manifest line without CR LF: " << manifest.substr(start);
            break;
        }
        const std::string line = manifest.substr(start, end - start);
        EXPECT_LE(line.size(), 72u) << line;
        start = end + 2;
        if (line.empty()) break;  // the end of the main section
        if (line[0] == ' ' && !headers.empty()) headers.back() += line.substr(1);
        else headers.push_back(line);
    }
    return headers;
}

// %XX escapes back to bytes.
inline std::string percentDecoded(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The Class-Path URLs of a manifest, split at the blanks and decoded ("/"-separated UTF-8).
inline std::vector<std::string> decodedClassPath(const std::string& manifest) {
    std::vector<std::string> urls;
    for (const std::string& header : manifestHeaders(manifest)) {
        if (header.rfind("Class-Path: ", 0) != 0) continue;
        const std::string value = header.substr(12);
        for (std::size_t start = 0; start < value.size();) {
            const std::size_t end = std::min(value.find(' ', start), value.size());
            urls.push_back(percentDecoded(value.substr(start, end - start)));
            start = end + 1;
        }
    }
    return urls;
}

}  // namespace jartest
