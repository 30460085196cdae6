#include "support/FileInputStream.h"

#include <cstdio>

#include <share.h>

#include "support/CrtFileStream.h"
#include "support/IOException.h"

namespace {

constexpr std::size_t kReadBufferBytes = 64 * 1024;

}  // namespace

// Deny-none sharing: a reader never locks anybody out, so the files being read (for example the
// log files of a client that is still running) stay readable and writable for every other opener.
FileInputStream::FileInputStream(const std::wstring& path)
    : path_(path), file_(::_wfsopen(path.c_str(), L"rbS", _SH_DENYNO)) {
    // The line reader above asks for about 1000 bytes at a time; with the C runtime's default
    // 4 KB buffer 100 MB of logs cost 25,000 reads from the system, with 64 KB some 1,500. A
    // buffer that cannot be had leaves the default in place, which reads the same bytes.
    if (file_) std::setvbuf(file_.get(), nullptr, _IOFBF, kReadBufferBytes);
}

FileInputStream::~FileInputStream() {
    try {
        close();
    } catch (const IOException&) {
        // A destructor must not throw, and nothing was written through this stream, so a failing
        // fclose loses no data: the handle is released either way.
    }
}

int FileInputStream::read(char* buffer, int maximum) {
    if (!file_) throw fileNotOpen(path_);
    // Nothing asked, nothing read: fread would report it as neither data nor end of file.
    if (maximum <= 0) return 0;
    const std::size_t count = std::fread(buffer, 1, static_cast<std::size_t>(maximum), file_.get());
    if (count > 0) return static_cast<int>(count);
    if (std::feof(file_.get())) return 0;
    throw IOException(L"Fehler beim Lesen der Datei " + path_,
                      L"Error reading file " + path_,
                      IOException::Resource);
}

void FileInputStream::close() {
    closeCrtFile(file_, path_);
}

bool FileInputStream::isOpen() const { return static_cast<bool>(file_); }
