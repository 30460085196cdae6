#include "support/FolderOperations.h"

#include <windows.h>
#include <shellapi.h>

#include "support/IOException.h"
#include "support/UniqueResource.h"

namespace {

// A client that is still closing, or a virus scanner, may hold a file for a moment: deleting and
// renaming retry before giving up.
constexpr int kAttempts = 10;
constexpr DWORD kRetryDelayMs = 300;

bool isDotNamed(const wchar_t* name) {
    return name[0] == L'\0' || name[0] == L'.';
}

bool isDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// True when the path is empty, or it or any path in the tree below it is too long for the shell's
// MAX_PATH buffers (with room for the "\*" the shell appends). The shell delete is made for
// MAX_PATH paths only; Wine's gets an empty path from its path joining for a longer one and then
// deletes the contents of the process's current folder (seen with Wine 8). An empty path would
// name the current folder as well. Reparse points are not followed, so a junction cannot lead
// the walk in circles.
// A relative path as the shell will see it: joined to the current folder. Empty when it cannot
// be resolved, which the check below treats as too long.
std::wstring fullPathOf(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    full.resize(length);
    return full;
}

bool holdsPathTooLongForShell(const std::wstring& path) {
    if (path.empty() || path.size() + 2 >= MAX_PATH) return true;
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (!search) return false;
    do {
        if (isDotOrDotDot(entry.cFileName)) continue;
        const std::wstring child = path + L"\\" + entry.cFileName;
        if (child.size() + 2 >= MAX_PATH) return true;
        const bool descend = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                             (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (descend && holdsPathTooLongForShell(child)) return true;
    } while (::FindNextFileW(search.get(), &entry));
    return false;
}

}  // namespace

bool isDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void createFolder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr)) {
        throw IOException(L"Der Ordner " + path + L" kann nicht erstellt werden.",
                          L"The folder " + path + L" can not be created.",
                          IOException::Resource);
    }
}

void copyFolder(const std::wstring& source, const std::wstring& target) {
    WIN32_FIND_DATAW entry;
    // The owner closes the search on every way out, the throws below included.
    const UniqueFindHandle search(::FindFirstFileW((source + L"\\*").c_str(), &entry));
    if (!search) {
        throw IOException(L"Ungültiges Quellverzeichnis: " + source,
                          L"Invalid source folder: " + source,
                          IOException::Resource);
    }
    do {
        const std::wstring name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // "." and ".." and every folder whose name begins with a dot (tool folders such as
            // ".git") stay behind.
            if (isDotNamed(entry.cFileName)) continue;
            createFolder(target + L"\\" + name);
            copyFolder(source + L"\\" + name, target + L"\\" + name);
        } else {
            const std::wstring sourceFile = source + L"\\" + name;
            const std::wstring targetFile = target + L"\\" + name;
            // Overwrite: a repaired library folder replaces what an earlier copy left behind.
            if (!::CopyFileW(sourceFile.c_str(), targetFile.c_str(), FALSE)) {
                throw IOException(L"Die Datei " + sourceFile + L" kann nicht nach " + targetFile +
                                      L" kopiert werden.",
                                  L"The file " + sourceFile + L" can not be copied to " + targetFile + L".",
                                  IOException::Resource);
            }
        }
    } while (::FindNextFileW(search.get(), &entry));
}

void deleteFolder(const std::wstring& path) {
    // The shell takes a list of paths, each ended by a NUL, the list ended by a second NUL.
    std::wstring list = path;
    list.push_back(L'\0');
    list.push_back(L'\0');
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = nullptr;
        operation.wFunc = FO_DELETE;
        operation.pFrom = list.c_str();
        operation.pTo = nullptr;
        // No FOF_ALLOWUNDO: the tree is removed for good, not moved to the recycle bin.
        operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
        operation.lpszProgressTitle = nullptr;
        // A tree the shell cannot handle counts as a failed attempt and is never handed to it.
        if (!holdsPathTooLongForShell(fullPathOf(path)) && ::SHFileOperationW(&operation) == 0) return;
        // A running client or a scanner may still hold a file inside: wait and try again.
        ::Sleep(kRetryDelayMs);
    }
    throw IOException(L"Der Ordner " + path + L" kann nicht gelöscht werden.",
                      L"The folder " + path + L" can not be deleted.",
                      IOException::Resource);
}

void renameFolder(const std::wstring& source, const std::wstring& target, int errorKind) {
    // A client that is still closing may hold the folder for a moment: retry before giving up.
    // MoveFileW never replaces an existing target, so a taken target ends in the error below.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (::MoveFileW(source.c_str(), target.c_str())) return;
        ::Sleep(kRetryDelayMs);
    }
    throw IOException(L"Der Ordner " + source + L" kann nicht nach " + target + L" umbenannt werden.",
                      L"The folder " + source + L" can not be renamed to " + target + L".",
                      errorKind);
}

bool removeEmptyFolder(const std::wstring& path) {
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
}
