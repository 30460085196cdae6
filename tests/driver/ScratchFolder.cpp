#include "tests/driver/ScratchFolder.h"

#include <atomic>
#include <stdexcept>

#include <windows.h>

#include "support/FindEntry.h"
#include "support/UniqueResource.h"
#include "tests/driver/Links.h"
#include "tests/driver/TextFiles.h"

namespace testdriver {

ScratchFolder::ScratchFolder(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    path_ = std::wstring(temp, length) + tag + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter) + L"_" + std::to_wstring(::GetTickCount());
    removeTree(path_);
    makeFolders(path_);
    if (!exists(path_)) throw std::runtime_error("cannot create the scratch folder");
}

ScratchFolder::~ScratchFolder() {
    removeTree(path_);
}

std::wstring longForm(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

bool exists(const std::wstring& path) {
    return ::GetFileAttributesW(longForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeFolders(const std::wstring& path) {
    std::wstring full = longForm(path);
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    // Start after "\\?\C:\" so the drive is never created.
    for (size_t slash = full.find(L'\\', 7); slash != std::wstring::npos; slash = full.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
    }
    ::CreateDirectoryW(full.c_str(), nullptr);
}

namespace {

// Removes every link below a folder path (in the long form), without entering any.
void removeLinksBelow(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search) return;
    do {
        if (isSelfOrParent(entry)) continue;
        const std::wstring name = entry.cFileName;
        if (isLinkEntry(entry)) {
            removeLink(folder + L"\\" + name);
        } else if (isFolderEntry(entry)) {
            removeLinksBelow(folder + L"\\" + name);
        }
    } while (::FindNextFileW(search.get(), &entry));
}

void removeEntries(const std::wstring& full) {
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        removeLink(full);
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    {
        const UniqueFindHandle search(::FindFirstFileW((full + L"\\*").c_str(), &entry));
        if (search) {
            do {
                if (!isSelfOrParent(entry)) removeEntries(full + L"\\" + entry.cFileName);
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    ::RemoveDirectoryW(full.c_str());
}

}  // namespace

void removeTree(const std::wstring& path) {
    std::wstring full = longForm(path);
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    // Links go first and as links, while what they point to still exists: what they point to is
    // no part of the tree (often a canary outside), and a link whose target is gone is invisible
    // to Windows programs under Wine, so it could no longer be removed.
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        removeLinksBelow(full);
    }
    removeEntries(full);
}

void makeTree(const std::wstring& root, std::initializer_list<std::wstring> entries) {
    for (const std::wstring& entry : entries) {
        const std::wstring path = root + L"\\" + entry;
        if (!entry.empty() && entry.back() == L'\\') {
            makeFolders(path.substr(0, path.size() - 1));
        } else {
            makeFolders(path.substr(0, path.find_last_of(L'\\')));
            writeBytes(longForm(path), utf8(entry));
        }
    }
}

}  // namespace testdriver
