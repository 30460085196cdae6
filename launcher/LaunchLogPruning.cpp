#include "launcher/LaunchLogPruning.h"

#include <algorithm>

#include <windows.h>

#include "support/AsciiCase.h"
#include "support/FindEntry.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"

namespace {

constexpr wchar_t kPrefix[] = L"kvl_";
constexpr wchar_t kSuffix[] = L".launch.log";
constexpr wchar_t kPattern[] = L"kvl_*.launch.log";

bool equalsIgnoringAsciiCase(const std::wstring& text, std::size_t start, const std::wstring& expected) {
    if (text.size() < start + expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (lowerAsciiLetter(text[start + i]) != lowerAsciiLetter(expected[i])) return false;
    }
    return true;
}

bool lessIgnoringAsciiCase(const std::wstring& left, const std::wstring& right) {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                        [](wchar_t a, wchar_t b) { return lowerAsciiLetter(a) < lowerAsciiLetter(b); });
}

// The names of the launch logs in folder, links and folders left out: a link named like a log is
// nobody's log of ours, and what it points to is none of the launcher's business.
std::vector<std::wstring> listLaunchLogs(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\" + kPattern).c_str(), &entry));
    if (!search) return names;
    do {
        if (isFolderEntry(entry) || isLinkEntry(entry)) continue;
        names.push_back(entry.cFileName);
    } while (::FindNextFileW(search.get(), &entry));
    return names;
}

}  // namespace

bool isLaunchLogName(const std::wstring& name) {
    const std::wstring prefix = kPrefix;
    const std::wstring suffix = kSuffix;
    return name.size() >= prefix.size() + suffix.size() && equalsIgnoringAsciiCase(name, 0, prefix) &&
           equalsIgnoringAsciiCase(name, name.size() - suffix.size(), suffix);
}

std::vector<std::wstring> launchLogsToDelete(const std::vector<std::wstring>& names, const std::wstring& currentLog,
                                             std::size_t keep) {
    std::vector<std::wstring> older;
    for (const std::wstring& name : names) {
        // The log just opened stays even when a clock set back gives it the oldest name.
        const bool isCurrent = name.size() == currentLog.size() && equalsIgnoringAsciiCase(name, 0, currentLog);
        if (isLaunchLogName(name) && !isCurrent) older.push_back(name);
    }
    // "yyyy_MM_dd_HHmmss" has fixed widths, so the names sort as the starts did.
    std::sort(older.begin(), older.end(), lessIgnoringAsciiCase);
    const std::size_t keptOlder = keep > 0 ? keep - 1 : 0;
    if (older.size() <= keptOlder) return {};
    older.resize(older.size() - keptOlder);
    return older;
}

void removeOldLaunchLogs(const std::wstring& logsFolder, const std::wstring& currentLog, LogfileWriter& log) {
    std::size_t removed = 0;
    for (const std::wstring& name : launchLogsToDelete(listLaunchLogs(logsFolder), currentLog)) {
        // One attempt: a log held by a running program is simply left for a later start.
        if (::DeleteFileW(longPathOfFile(logsFolder + L"\\" + name).c_str())) ++removed;
    }
    if (removed > 0) log.log(L"Removed " + std::to_wstring(removed) + L" old launch logs from " + logsFolder);
}
