#pragma once

#include <cstddef>
#include <string>
#include <vector>

class LogfileWriter;

// How many launch logs a logs folder keeps, the one just opened among them: two starts a day for
// years would otherwise leave thousands, and every one of them goes into the error report.
inline constexpr std::size_t kKeptLaunchLogs = 50;

// Whether a file name is one of the launcher's own logs, "kvl_" + anything + ".launch.log"
// (ASCII letters compared without case, as the file system does). Never throws.
bool isLaunchLogName(const std::wstring& name);

// Of the names in a logs folder, the launch logs to delete so that the newest keep remain: the
// time stamp in the names sorts them, oldest first; currentLog (the log just opened) always stays
// and counts among the kept; names that are no launch logs are never chosen. Oldest first.
// Never throws.
std::vector<std::wstring> launchLogsToDelete(const std::vector<std::wstring>& names, const std::wstring& currentLog,
                                             std::size_t keep = kKeptLaunchLogs);

// Deletes the launch logs of logsFolder (without trailing backslash) that launchLogsToDelete
// chooses; a log that cannot be deleted (held by a running program) stays. Logs "Removed " +
// count + " old launch logs from " + logsFolder when it removed any. Throws only what the log
// writer throws: nothing about the old logs fails a start.
void removeOldLaunchLogs(const std::wstring& logsFolder, const std::wstring& currentLog, LogfileWriter& log);
