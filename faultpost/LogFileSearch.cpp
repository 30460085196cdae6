#include "faultpost/LogFileSearch.h"

#include <windows.h>

#include "faultpost/ReportLimit.h"
#include "support/FindEntry.h"
#include "support/UniqueResource.h"

namespace {
constexpr wchar_t kLogPattern[] = L"*.log";

// The last-write time in local time, as a launcher log's name carries its start; 0 (the oldest)
// when it cannot be converted.
unsigned long long localWriteTime(const FILETIME& written) {
    FILETIME local;
    SYSTEMTIME time;
    if (!::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToSystemTime(&local, &time)) return 0;
    return timeDigits(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

}  // namespace

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
        const std::wstring path = folder + entry.cFileName;
        found.paths.push_back(path);
        found.bytes += entrySize(entry);
        found.facts[path] = {entrySize(entry), localWriteTime(entry.ftLastWriteTime)};
    } while (::FindNextFileW(search.get(), &entry));
}
