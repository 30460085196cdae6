#include "faultpost/LogFileSearch.h"

#include <windows.h>

#include "support/FindEntry.h"
#include "support/UniqueResource.h"

namespace {
constexpr wchar_t kLogPattern[] = L"*.log";
}

void addLogFiles(const std::wstring& folder, FoundLogs& found) {
    const std::wstring pattern = folder + kLogPattern;
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    do {
        // A link is skipped like a folder: a file link could put any file of the machine into
        // the report that goes out by mail. The search also matches short (8.3) names, so
        // "*.log" would take "client.log_old" (CLIENT~1.LOG); only long names count.
        if (isFolderEntry(entry) || isLinkEntry(entry)) continue;
        if (!matchesByLongName(entry.cFileName, kLogPattern)) continue;
        found.paths.push_back(folder + entry.cFileName);
        found.bytes += entrySize(entry);
    } while (::FindNextFileW(search.get(), &entry));
}
