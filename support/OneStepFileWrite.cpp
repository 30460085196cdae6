#include "support/OneStepFileWrite.h"

#include <windows.h>

#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/SystemErrorText.h"
#include "support/UniqueResource.h"

namespace {

// Whether path holds exactly bytes. Every answer but an equal file is false.
bool holdsExactly(const std::wstring& path, const std::string& bytes) {
    // A runtime that started with the file reads it with delete sharing withheld; reading beside
    // it takes every share mode.
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart != static_cast<LONGLONG>(bytes.size())) {
        return false;
    }
    std::string content(bytes.size(), '\0');
    DWORD read = 0;
    return ::ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
           read == content.size() && content == bytes;
}

// Whether a file (no folder) is at path whose attributes leave it writable: one that a failed
// replace then finds there is held by another program.
bool isWritableFileThere(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// Raised with the last error of the call that failed; read before anything can change it.
IOException writeFailure(const std::wstring& path, DWORD errorCode) {
    std::wstring text = systemErrorText(errorCode);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    const std::wstring number = std::to_wstring(static_cast<int>(errorCode));
    return IOException(L"Die Datei " + path + L" kann nicht geschrieben werden. Fehler " + number + L": " + text,
                       L"The file " + path + L" can not be written. Error " + number + L": " + text,
                       oneStepWriteFailureKind(errorCode, isWritableFileThere(path)));
}

// Makes the place of a file writable: a read-only mark goes, and a folder of that name (no file
// of ours) is removed. What cannot be cleared shows in the error of the write that follows.
void clearPlaceOfFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        tryDeleteFolder(path);
    } else if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

// Removes the temporary file on every way out but the move into place.
class TemporaryFileRemover {
public:
    explicit TemporaryFileRemover(const std::wstring& path) : path_(path) {}
    ~TemporaryFileRemover() {
        if (!moved_) ::DeleteFileW(path_.c_str());
    }
    TemporaryFileRemover(const TemporaryFileRemover&) = delete;
    TemporaryFileRemover& operator=(const TemporaryFileRemover&) = delete;
    void moved() { moved_ = true; }

private:
    std::wstring path_;
    bool moved_ = false;
};

// Failures name the file being written (target), which is what the user knows of.
void writeTemporaryFile(const std::wstring& path, const std::wstring& target, const std::string& bytes) {
    // A leftover of an earlier start that died here may carry attributes that keep it from being
    // overwritten: remove it first.
    clearPlaceOfFile(path);
    ::DeleteFileW(path.c_str());
    const UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw writeFailure(target, ::GetLastError());
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throw writeFailure(target, ::GetLastError());
    }
    // On the disk before the move: otherwise a power cut could leave the new name on a file
    // whose bytes never arrived.
    if (!::FlushFileBuffers(file.get())) throw writeFailure(target, ::GetLastError());
}

}  // namespace

IOException::Kind oneStepWriteFailureKind(unsigned long errorCode, bool heldFileThere) {
    if (errorCode == ERROR_SHARING_VIOLATION || errorCode == ERROR_LOCK_VIOLATION) return IOException::InUse;
    if (errorCode == ERROR_ACCESS_DENIED && heldFileThere) return IOException::InUse;
    return IOException::Resource;
}

void writeFileInOneStep(const std::wstring& path, const std::string& bytes) {
    if (holdsExactly(path, bytes)) return;
    const std::wstring temporaryPath = path + L".tmp";
    TemporaryFileRemover remover(temporaryPath);
    writeTemporaryFile(temporaryPath, path, bytes);
    // MoveFileExW refuses to replace a read-only file.
    clearPlaceOfFile(path);
    if (!::MoveFileExW(temporaryPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw writeFailure(path, ::GetLastError());
    }
    remover.moved();
}

bool tryDeleteFileOnce(const std::wstring& path) {
    return ::DeleteFileW(path.c_str()) || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}
