#include "support/FileEnumerator.h"

#include <windows.h>

#include "support/FileDescription.h"
#include "support/FileEnumeratorCallback.h"
#include "support/UniqueResource.h"

namespace {

bool isFolder(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "." and ".." and folders such as ".svn" are never walked into.
bool isDotNamed(const WIN32_FIND_DATAW& entry) {
    return entry.cFileName[0] == L'.';
}

std::uint64_t sizeOf(const WIN32_FIND_DATAW& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

}  // namespace

void FileEnumerator::enumerate(const std::wstring& baseFolder, const std::wstring& pattern,
                               FileEnumeratorCallback& callback, bool recursive) {
    callback_ = &callback;
    continue_ = true;
    const std::wstring noRelativeFolder;
    if (recursive) walkFolders(baseFolder, noRelativeFolder, pattern);
    listFiles(baseFolder, noRelativeFolder, pattern);
}

void FileEnumerator::walkFolders(const std::wstring& base, const std::wstring& relative,
                                 const std::wstring& pattern) {
    WIN32_FIND_DATAW entry;
    // A folder that is missing, unreadable or gone since its parent was listed counts as empty.
    const UniqueFindHandle search(::FindFirstFileW((base + relative + L"*").c_str(), &entry));
    if (!search) return;
    do {
        if (!continue_) break;
        if (isFolder(entry) && !isDotNamed(entry)) {
            const std::wstring sub = relative + entry.cFileName + L"\\";
            walkFolders(base, sub, pattern);
            listFiles(base, sub, pattern);
        }
    } while (::FindNextFileW(search.get(), &entry));
}

void FileEnumerator::listFiles(const std::wstring& base, const std::wstring& relative,
                               const std::wstring& pattern) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((base + relative + pattern).c_str(), &entry));
    if (!search || !continue_) return;
    bool first = true;
    do {
        // No attribute filter: a folder whose name matches is reported like a file.
        const std::wstring name = entry.cFileName;
        FileDescription description(base, relative, name, sizeOf(entry), first);
        first = false;
        callback_->onEntry(description);
        if (description.stopRequested) {
            continue_ = false;
            break;
        }
    } while (::FindNextFileW(search.get(), &entry));
}
