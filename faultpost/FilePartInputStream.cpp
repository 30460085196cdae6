#include "faultpost/FilePartInputStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <share.h>

#include "support/CrtFileStream.h"
#include "support/IOException.h"

namespace {

constexpr std::size_t kReadBufferBytes = 64 * 1024;

// Opened as FileInputStream opens: deny-none, so the client's own writes go on.
UniqueCrtFile openAt(const std::wstring& path, unsigned long long firstByte) {
    UniqueCrtFile file(::_wfsopen(path.c_str(), L"rbS", _SH_DENYNO));
    if (!file) return file;
    std::setvbuf(file.get(), nullptr, _IOFBF, kReadBufferBytes);
    if (::_fseeki64(file.get(), static_cast<long long>(firstByte), SEEK_SET) != 0) file.reset();
    return file;
}

}  // namespace

FilePartInputStream::FilePartInputStream(const std::wstring& path, unsigned long long firstByte,
                                         unsigned long long endByte)
    : path_(path), file_(openAt(path, firstByte)), left_(endByte > firstByte ? endByte - firstByte : 0) {}

FilePartInputStream::~FilePartInputStream() {
    try {
        close();
    } catch (const IOException&) {
        // Nothing was written through this stream: a failing fclose loses no data.
    }
}

int FilePartInputStream::read(char* buffer, int maximum) {
    if (!file_) throw fileNotOpen(path_);
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<unsigned long long>(left_, maximum > 0 ? static_cast<unsigned>(maximum) : 0));
    if (wanted == 0) return 0;
    const std::size_t count = std::fread(buffer, 1, wanted, file_.get());
    left_ -= count;
    if (count > 0) return static_cast<int>(count);
    if (std::feof(file_.get())) {
        left_ = 0;
        return 0;
    }
    throw IOException(L"Fehler beim Lesen der Datei " + path_,
                      L"Error reading file " + path_,
                      IOException::Resource);
}

void FilePartInputStream::close() {
    closeCrtFile(file_, path_);
}

bool FilePartInputStream::isOpen() const { return static_cast<bool>(file_); }

unsigned long long lineStartFrom(const std::wstring& path, unsigned long long firstByte, unsigned long long endByte) {
    if (firstByte == 0) return 0;
    // From the byte before: when that one is the LF, the line begins right at firstByte.
    FilePartInputStream probe(path, firstByte - 1, endByte);
    char block[4096];
    unsigned long long at = firstByte - 1;
    for (int count; (count = probe.read(block, sizeof block)) > 0; at += static_cast<unsigned>(count)) {
        const void* const lineFeed = std::memchr(block, '\n', static_cast<std::size_t>(count));
        if (lineFeed != nullptr) return at + static_cast<unsigned>(static_cast<const char*>(lineFeed) - block) + 1;
    }
    probe.close();
    return std::max(endByte, firstByte);
}
