#include "faultpost/LogFileSearch.h"

#include <windows.h>

#include "support/UniqueResource.h"

void addLogFiles(const std::wstring& folder, std::vector<std::wstring>& list) {
    unsigned long long unused = 0;
    addLogFilesCountingBytes(folder, list, unused);
}

void addLogFilesCountingBytes(const std::wstring& folder, std::vector<std::wstring>& list,
                              unsigned long long& totalBytes) {
    const std::wstring pattern = folder + L"*.log";
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        list.push_back(folder + entry.cFileName);
        totalBytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    } while (::FindNextFileW(search.get(), &entry));
}
