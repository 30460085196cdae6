#include "support/FindEntry.h"

#include "support/AsciiCase.h"

bool isFolderEntry(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isLinkReparsePoint(DWORD attributes, DWORD reparseTag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    // Windows always names the tag of a reparse point; only Wine's links come with 0.
    return reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag);
}

bool isLinkEntry(const WIN32_FIND_DATAW& entry) {
    // dwReserved0 holds the tag only when the attribute is set; the decision looks at it only then.
    return isLinkReparsePoint(entry.dwFileAttributes, entry.dwReserved0);
}

bool isLinkTagInfo(const FILE_ATTRIBUTE_TAG_INFO& information) {
    return isLinkReparsePoint(information.FileAttributes, information.ReparseTag);
}

bool isDotNamed(const WIN32_FIND_DATAW& entry) {
    return entry.cFileName[0] == L'\0' || entry.cFileName[0] == L'.';
}

bool isSelfOrParent(const WIN32_FIND_DATAW& entry) {
    const wchar_t* const name = entry.cFileName;
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

std::uint64_t entrySize(const WIN32_FIND_DATAW& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

bool matchesByLongName(const std::wstring& name, const std::wstring& pattern) {
    const std::size_t dot = pattern.rfind(L'.');
    if (dot == std::wstring::npos) return true;
    // Compared in place: this runs for every entry of every listing, and a copy of the extension
    // would cost an allocation each time.
    if (pattern.find_first_of(L"*?", dot) != std::wstring::npos) return true;
    const std::size_t extensionLength = pattern.size() - dot;
    if (name.size() < extensionLength) return false;
    const std::size_t start = name.size() - extensionLength;
    for (std::size_t i = 0; i < extensionLength; ++i) {
        if (lowerAsciiLetter(name[start + i]) != lowerAsciiLetter(pattern[dot + i])) return false;
    }
    return true;
}
