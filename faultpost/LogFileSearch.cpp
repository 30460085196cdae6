#include "faultpost/LogFileSearch.h"

#include <windows.h>

#include "support/UniqueResource.h"

void addLogFiles(const std::wstring& folder, std::vector<std::wstring>& list) {
    const std::wstring pattern = folder + L"*.log";
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        list.push_back(folder + entry.cFileName);
    } while (::FindNextFileW(search.get(), &entry));
}
