#include "support/DirectoryEnumerator.h"

#include <windows.h>

#include "support/FileDescription.h"
#include "support/FileEnumeratorCallback.h"
#include "support/FindEntry.h"
#include "support/UniqueResource.h"

void DirectoryEnumerator::enumerate(const std::wstring& baseFolder, const std::wstring& pattern,
                                    FileEnumeratorCallback& callback, bool recursive) {
    callback_ = &callback;
    recursive_ = recursive;
    continue_ = true;
    listFolders(baseFolder, pattern, std::wstring());
}

void DirectoryEnumerator::listFolders(const std::wstring& base, const std::wstring& pattern,
                                      const std::wstring& relative) {
    WIN32_FIND_DATAW entry;
    // A folder that is missing, unreadable or gone since its parent was listed counts as empty.
    const UniqueFindHandle search(::FindFirstFileW((base + relative + pattern).c_str(), &entry));
    if (!search) return;
    do {
        if (!continue_) break;
        // Only folders, and never "." and ".." or hidden tool folders such as ".svn". A folder link
        // is skipped, neither reported nor entered: the callers take a reported folder as a place
        // to work in (a profile to clean, a runtime to start), and a link may lead anywhere.
        if (!isFolderEntry(entry) || isDotNamed(entry) || isLinkEntry(entry)) continue;
        const std::wstring name = entry.cFileName;
        if (!matchesByLongName(name, pattern)) continue;
        FileDescription description(base, relative, name, entrySize(entry), false);
        callback_->onEntry(description);
        if (description.stopRequested) continue_ = false;
        // The same pattern at every depth: only matching folders are descended into. After a stop
        // the nested call reports nothing.
        if (recursive_) listFolders(base, pattern, relative + name + L"\\");
    } while (::FindNextFileW(search.get(), &entry));
}
