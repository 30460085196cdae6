#include "support/FileOutputStream.h"

#include <cerrno>
#include <cstdio>

#include <share.h>

#include "support/CrtFileStream.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"

namespace {

// Opens path for writing, held exclusively. Windows' own secure open denies other writers
// only, and Wine's opens fully shared; _SH_DENYRW keeps every other reader and writer out on
// both, which is what tells a second launcher that the log file of this second is taken.
FILE* openExclusive(const std::wstring& path, int& error) {
    errno = 0;
    FILE* const file = ::_wfsopen(path.c_str(), L"wbS", _SH_DENYRW);
    if (file) {
        error = 0;
    } else {
        // A sharing violation maps to EACCES (13); keep a non-zero number even if the runtime
        // left errno unset.
        error = errno != 0 ? errno : EACCES;
    }
    return file;
}

}  // namespace

FileOutputStream::FileOutputStream(const std::wstring& path) : path_(path), openError_(0) {
    file_.reset(openExclusive(path_, openError_));
}

FileOutputStream::~FileOutputStream() {
    try {
        close();
    } catch (const IOException&) {
        // A destructor must not throw. The caller that cares whether the last bytes reached the
        // disk closes explicitly and sees the failure there.
    }
}

int FileOutputStream::write(const char* bytes, int count) {
    if (!file_) throw fileNotOpen(path_);
    if (count <= 0) return 0;
    const std::size_t written = std::fwrite(bytes, 1, static_cast<std::size_t>(count), file_.get());
    if (written != static_cast<std::size_t>(count)) {
        throw IOException(L"Fehler beim Schreiben der Datei " + path_,
                          L"Error writing file " + path_,
                          IOException::Resource);
    }
    return count;
}

void FileOutputStream::flush() {
    if (!file_) throw fileNotOpen(path_);
    if (std::fflush(file_.get()) != 0) {
        throw IOException(L"Fehler beim Niederschreiben der Datei " + path_,
                          L"Error flushing file " + path_,
                          IOException::Resource);
    }
}

void FileOutputStream::close() {
    closeCrtFile(file_, path_);
}

bool FileOutputStream::isOpen() const { return static_cast<bool>(file_); }

int FileOutputStream::openError() const { return openError_; }

bool FileOutputStream::exists() const {
    return isFile(path_);
}
