#include "support/FileEnumerator.h"

#include <windows.h>

#include "support/FileDescription.h"
#include "support/FileEnumeratorCallback.h"
#include "support/FindEntry.h"
#include "support/UniqueResource.h"

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
        // "." and ".." and folders such as ".svn" are never walked into, and neither is a link: it
        // may lead back up the tree (a walk without end) or anywhere outside it.
        if (isFolderEntry(entry) && !isDotNamed(entry) && !isLinkEntry(entry)) {
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
        // No attribute filter: a folder whose name matches is reported like a file, and so is a
        // link, as a name only. The search also matches short (8.3) names; only long ones count.
        const std::wstring name = entry.cFileName;
        if (!matchesByLongName(name, pattern)) continue;
        FileDescription description(base, relative, name, entrySize(entry), first);
        first = false;
        callback_->onEntry(description);
        if (description.stopRequested) {
            continue_ = false;
            break;
        }
    } while (::FindNextFileW(search.get(), &entry));
}
