#include "launcher/commandline/StoredZipArchive.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t index = 0; index < 256; ++index) {
        std::uint32_t value = index;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        table[index] = value;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = crcTable();

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirectorySignature = 0x06054B50;
// Version 1.0 suffices to extract a stored entry; "made by" 2.0 on MS-DOS, as plain tools write.
constexpr std::uint16_t kVersionNeeded = 10;
constexpr std::uint16_t kVersionMadeBy = 20;
constexpr std::uint16_t kMethodStored = 0;
// 1 January 1980, 00:00, the first time MS-DOS time stamps can hold. A fixed stamp keeps the
// archive the same for the same entries, so that an unchanged jar need not be written again.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr std::uint32_t kFolderAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY in the low byte

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// The fields that the local header and the central directory share, from "version needed" to
// the extra field's length.
void putCommonFields(std::string& out, const StoredZipEntry& entry, std::uint32_t crc) {
    put16(out, kVersionNeeded);
    put16(out, 0);  // flags: no data descriptor, names in ASCII
    put16(out, kMethodStored);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, crc);
    put32(out, static_cast<std::uint32_t>(entry.bytes.size()));  // compressed size
    put32(out, static_cast<std::uint32_t>(entry.bytes.size()));  // uncompressed size
    put16(out, static_cast<std::uint32_t>(entry.name.size()));
    put16(out, 0);  // extra field length
}

}  // namespace

std::uint32_t zipCrc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) crc = kCrcTable[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string storedZipArchive(const std::vector<StoredZipEntry>& entries) {
    std::string archive;
    std::string centralDirectory;
    for (const StoredZipEntry& entry : entries) {
        const std::uint32_t crc = zipCrc32(entry.bytes);
        const std::uint32_t localHeaderOffset = static_cast<std::uint32_t>(archive.size());
        put32(archive, kLocalHeaderSignature);
        putCommonFields(archive, entry, crc);
        archive += entry.name;
        archive += entry.bytes;

        put32(centralDirectory, kCentralHeaderSignature);
        put16(centralDirectory, kVersionMadeBy);
        putCommonFields(centralDirectory, entry, crc);
        put16(centralDirectory, 0);  // comment length
        put16(centralDirectory, 0);  // disk number
        put16(centralDirectory, 0);  // internal attributes
        const bool folder = !entry.name.empty() && entry.name.back() == '/';
        put32(centralDirectory, folder ? kFolderAttribute : 0);
        put32(centralDirectory, localHeaderOffset);
        centralDirectory += entry.name;
    }
    const std::uint32_t centralDirectoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += centralDirectory;
    put32(archive, kEndOfCentralDirectorySignature);
    put16(archive, 0);  // this disk
    put16(archive, 0);  // disk of the central directory
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(centralDirectory.size()));
    put32(archive, centralDirectoryOffset);
    put16(archive, 0);  // comment length
    return archive;
}
