#include "support/FolderOperations.h"

#include <windows.h>
#include <shellapi.h>

#include "support/FindEntry.h"
#include "support/GrowingBuffer.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"

namespace {

// A client that is still closing, or a virus scanner, may hold a file for a moment: deleting and
// renaming retry before giving up.
constexpr int kAttempts = 10;
constexpr DWORD kRetryDelayMs = 300;

// The attributes that make CopyFileW refuse an existing target file.
constexpr DWORD kProtectingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A relative path as the shell will see it: joined to the current folder. Empty when it cannot
// be resolved, which deleteFolder treats as a path it must not touch.
std::wstring fullPathOf(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    return callWithGrowingBuffer([&path](wchar_t* buffer, unsigned long capacity) {
        return ::GetFullPathNameW(path.c_str(), capacity, buffer, nullptr);
    });
}

// The shell delete is made for MAX_PATH paths only (with room for the "\*" it appends); Wine's
// gets an empty path from its path joining for a longer one and then deletes the contents of the
// process's current folder (seen with Wine 8).
bool tooLongForShell(const std::wstring& path) {
    return path.size() + 2 >= MAX_PATH;
}

// What decides how a tree is deleted: a link inside it (Wine's shell delete goes through it and
// deletes what it points to, seen with Wine 8) or a path too long for the shell. Links are not
// entered, so a link pointing back up cannot lead the scan in circles.
struct TreeFacts {
    bool holdsLink = false;
    bool holdsLongPath = false;
};

void scanTree(const std::wstring& path, TreeFacts& facts) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW(longPathForm(path + L"\\*").c_str(), &entry));
    if (!search) return;
    do {
        if (isSelfOrParent(entry)) continue;
        const std::wstring child = path + L"\\" + entry.cFileName;
        if (tooLongForShell(child)) facts.holdsLongPath = true;
        if (isLinkEntry(entry)) {
            facts.holdsLink = true;
        } else if (isFolderEntry(entry)) {
            scanTree(child, facts);
        }
    } while (::FindNextFileW(search.get(), &entry));
}

// Removes the link at path itself, never what it points to. The handle names the link only when
// the system honours FILE_FLAG_OPEN_REPARSE_POINT: Windows does; Wine 8 opens the target instead
// (and its RemoveDirectoryW removes an empty target), so a handle that is no link is left alone
// and the link stays.
bool removeLink(const std::wstring& longPath) {
    const UniqueFileHandle link(::CreateFileW(longPath.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING,
                                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!link) return false;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &tag, sizeof tag)) return false;
    if (!isLinkTagInfo(tag)) return false;
    // The disposition delete refuses a read-only entry. The mark goes through this handle, so it
    // leaves the link itself, never its target.
    if ((tag.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};  // times of 0 stay as they are
        basic.FileAttributes = tag.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (!::SetFileInformationByHandle(link.get(), FileBasicInfo, &basic, sizeof basic)) return false;
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Deletes path and everything below it without the shell, in the long-path form; links are
// removed as links. Goes on past what cannot be deleted, so that a retry has less to do. True
// when everything is gone.
bool removeTreeItself(const std::wstring& longPath, DWORD attributes) {
    // A compressed, deduplicated or cloud entry carries the attribute too: it is deleted as what it is.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && isLink(longPath)) return removeLink(longPath);
    // Read-only entries are deleted like the others, as the shell delete does.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) ::SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ::DeleteFileW(longPath.c_str()) != FALSE;
    bool complete = true;
    {
        WIN32_FIND_DATAW entry;
        const UniqueFindHandle search(::FindFirstFileW((longPath + L"\\*").c_str(), &entry));
        if (search) {
            do {
                if (isSelfOrParent(entry)) continue;
                const std::wstring child = longPath + L"\\" + entry.cFileName;
                if (!removeTreeItself(child, entry.dwFileAttributes)) complete = false;
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    return ::RemoveDirectoryW(longPath.c_str()) != FALSE && complete;
}

// One attempt at deleting the tree. The shell keeps the trees it handles; a link, or a tree
// with a link or a too long path inside, is deleted here instead.
bool deleteFolderOnce(const std::wstring& path, const std::wstring& shellList) {
    // An empty or unresolvable path would name the current folder: it is never deleted.
    const std::wstring full = fullPathOf(path);
    if (full.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(longPathForm(full).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        TreeFacts facts;
        facts.holdsLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        facts.holdsLongPath = tooLongForShell(full);
        if (!facts.holdsLink && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) scanTree(full, facts);
        if (facts.holdsLink || facts.holdsLongPath) return removeTreeItself(longPathForm(full), attributes);
    }
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = shellList.c_str();
    operation.pTo = nullptr;
    // No FOF_ALLOWUNDO: the tree is removed for good, not moved to the recycle bin.
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
    operation.lpszProgressTitle = nullptr;
    const bool shellDeleted = ::SHFileOperationW(&operation) == 0;
    if (attributes == INVALID_FILE_ATTRIBUTES) return shellDeleted;
    if (shellDeleted && ::GetFileAttributesW(longPathForm(full).c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    // The shell works with plain Win32 paths, where a name such as "NUL.jar", "aux.log", "b.jar."
    // or "c.jar " names a device or loses its last character: such entries, which a client or a
    // sync tool may leave behind, are reached only through the long-path form.
    return removeTreeItself(longPathForm(full), attributes);
}

void collectCopiedFiles(const std::wstring& folder, const std::wstring& relative,
                        std::map<std::wstring, std::uint64_t>& files) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\" + relative + L"*").c_str(), &entry));
    if (!search) return;
    do {
        // The rules of copyFolder: links and dot-named folders are not copied.
        if (isLinkEntry(entry)) continue;
        if (isFolderEntry(entry)) {
            if (!isDotNamed(entry)) collectCopiedFiles(folder, relative + entry.cFileName + L"\\", files);
        } else {
            files[relative + entry.cFileName] = entrySize(entry);
        }
    } while (::FindNextFileW(search.get(), &entry));
}

}  // namespace

std::wstring longPathForm(const std::wstring& fullPath) {
    if (fullPath.rfind(L"\\\\?\\", 0) == 0 || fullPath.rfind(L"\\\\.\\", 0) == 0) return fullPath;
    // A network path "\\server\share\..." becomes "\\?\UNC\server\share\...".
    if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}

std::wstring longPathOfFile(const std::wstring& path) {
    const std::size_t nameStart = path.find_last_of(L"\\/") + 1;  // 0 when there is no folder part
    // The folder alone: resolving the whole path would turn a device name at its end into "\\.\AUX".
    const std::wstring folder = nameStart == 0 ? std::wstring(L".\\") : path.substr(0, nameStart);
    std::wstring full = fullPathOf(folder);
    if (full.empty()) return path;
    if (full.back() != L'\\') full += L'\\';
    return longPathForm(full + path.substr(nameStart));
}

bool isDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    // The tag is in the search result of the entry itself. Opening it with
    // FILE_FLAG_OPEN_REPARSE_POINT would ask for it as well, but Wine opens the target instead.
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW(path.c_str(), &entry));
    // A reparse point that cannot be listed (a drive root, a path with a trailing backslash)
    // counts as a link: the safe side.
    return !search || isLinkEntry(entry);
}

void createFolder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr)) {
        throw IOException(L"Der Ordner " + path + L" kann nicht erstellt werden.",
                          L"The folder " + path + L" can not be created.",
                          IOException::Resource);
    }
}

namespace {

void copyTree(const std::wstring& source, const std::wstring& target, bool mergeFolders) {
    WIN32_FIND_DATAW entry;
    // The owner closes the search on every way out, the throws below included.
    const UniqueFindHandle search(::FindFirstFileW((source + L"\\*").c_str(), &entry));
    if (!search) throw invalidSourceFolder(source);
    do {
        const std::wstring name = entry.cFileName;
        // A link is not copied: what it points to may lie anywhere, an ancestor included, and a
        // copy through it could pull in anything or never end.
        if (isLinkEntry(entry)) continue;
        if (isFolderEntry(entry)) {
            // "." and ".." and every folder whose name begins with a dot (tool folders such as
            // ".git") stay behind.
            if (isDotNamed(entry)) continue;
            const std::wstring targetFolder = target + L"\\" + name;
            if (!mergeFolders || !isDirectory(targetFolder)) createFolder(targetFolder);
            copyTree(source + L"\\" + name, targetFolder, mergeFolders);
        } else {
            const std::wstring sourceFile = source + L"\\" + name;
            const std::wstring targetFile = target + L"\\" + name;
            // Overwrite: a repaired library folder replaces what an earlier copy left behind. Windows
            // refuses to overwrite a read-only, hidden or system file, so those marks go first;
            // the copy then carries the source's attributes.
            const DWORD existing = ::GetFileAttributesW(targetFile.c_str());
            if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                (existing & kProtectingAttributes) != 0) {
                ::SetFileAttributesW(targetFile.c_str(), existing & ~kProtectingAttributes);
            }
            if (!::CopyFileW(sourceFile.c_str(), targetFile.c_str(), FALSE)) throw fileCopyFailure(sourceFile, targetFile);
        }
    } while (::FindNextFileW(search.get(), &entry));
}

}  // namespace

void createMissingFolder(const std::wstring& path) {
    // Asked after the attempt, not before: between a test and the create another program may
    // make the folder.
    if (::CreateDirectoryW(path.c_str(), nullptr) || isDirectory(path)) return;
    createFolder(path);
}

void copyFolder(const std::wstring& source, const std::wstring& target) {
    copyTree(source, target, false);
}

void mergeFolderInto(const std::wstring& source, const std::wstring& target) {
    copyTree(source, target, true);
}

std::wstring firstUnlistableFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search) return folder;
    do {
        // The folders copyFolder enters: no links, no dot-named folders.
        if (isLinkEntry(entry) || !isFolderEntry(entry) || isDotNamed(entry)) continue;
        const std::wstring unlistable = firstUnlistableFolder(folder + L"\\" + entry.cFileName);
        if (!unlistable.empty()) return unlistable;
    } while (::FindNextFileW(search.get(), &entry));
    return std::wstring();
}

IOException fileCopyFailure(const std::wstring& sourceFile, const std::wstring& targetFile) {
    return IOException(L"Die Datei " + sourceFile + L" kann nicht nach " + targetFile + L" kopiert werden.",
                       L"The file " + sourceFile + L" can not be copied to " + targetFile + L".",
                       IOException::Resource);
}

IOException invalidSourceFolder(const std::wstring& source) {
    return IOException(L"Ungültiges Quellverzeichnis: " + source,
                       L"Invalid source folder: " + source,
                       IOException::Resource);
}

std::map<std::wstring, std::uint64_t> copiedFilesBelow(const std::wstring& folder) {
    std::map<std::wstring, std::uint64_t> files;
    collectCopiedFiles(folder, std::wstring(), files);
    return files;
}

bool tryDeleteFolder(const std::wstring& path) {
    // The shell takes a list of paths, each ended by a NUL, the list ended by a second NUL.
    std::wstring list = path;
    list.push_back(L'\0');
    list.push_back(L'\0');
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (deleteFolderOnce(path, list)) return true;
        // A running client or a scanner may still hold a file inside: wait and try again.
        ::Sleep(kRetryDelayMs);
    }
    return false;
}

bool tryDeleteFile(const std::wstring& path) {
    if (path.empty()) return false;
    // The name kept as it stands: resolving the whole path would drop a trailing dot or blank.
    const std::wstring longPath = longPathOfFile(path);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const DWORD attributes = ::GetFileAttributesW(longPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
        // DeleteFileW refuses a read-only file.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) ::SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (::DeleteFileW(longPath.c_str())) return true;
        // Held by a running client or a scanner: wait and try again.
        ::Sleep(kRetryDelayMs);
    }
    return false;
}

void deleteFolder(const std::wstring& path) {
    if (tryDeleteFolder(path)) return;
    throw IOException(L"Der Ordner " + path + L" kann nicht gelöscht werden.",
                      L"The folder " + path + L" can not be deleted.",
                      IOException::Resource);
}

void renameFolder(const std::wstring& source, const std::wstring& target, IOException::Kind errorKind) {
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
