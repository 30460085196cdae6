#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A zip archive whose entries are stored, not compressed: what a jar that only carries a
// manifest needs, without a compression library. Plain bytes in, plain bytes out.

struct StoredZipEntry {
    std::string name;   // "/"-separated, ASCII; a name ending in "/" is a folder
    std::string bytes;  // empty for a folder
};

// The CRC-32 of the zip format (reflected polynomial 0xEDB88320, initial and final value all ones).
std::uint32_t zipCrc32(const std::string& bytes);

// The whole archive: each entry's local header and bytes in the given order, then the central
// directory and its end record. Every entry carries the same fixed time stamp, so equal entries
// give equal archives byte for byte. Never throws but std::bad_alloc; entries and sizes stay far
// below the limits of the format without its 64-bit extension.
std::string storedZipArchive(const std::vector<StoredZipEntry>& entries);
