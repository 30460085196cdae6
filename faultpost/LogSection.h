#pragma once

#include <functional>
#include <string>
#include <vector>

#include "faultpost/LogFileSearch.h"
#include "faultpost/ReportLimit.h"

class PrintWriter;

// Where log files are looked for: every profile folder, and the fallbacks, tried one after the
// other only while nothing has been found. Each folder ends with a backslash.
struct LogFolders {
    std::vector<std::wstring> profiles;
    std::vector<std::wstring> fallbacks;
};

// The logs folders of the four profiles (named only, nothing created) and the fallbacks
// "logs\" and "..\logs\" relative to the current folder. Never throws.
LogFolders defaultLogFolders();

// Adds the log files of one folder to found; addLogFiles in the program, a table in tests.
using LogFileLister = std::function<void(const std::wstring& folder, FoundLogs& found)>;

// The log files to report, sorted, with their sizes: those of every profile folder; only when
// there are none, those of the first fallback that holds any. Throws nothing of its own.
FoundLogs findLogFiles(const LogFolders& folders, const LogFileLister& addFiles);

// Copies one log file: its path, then each of its lines (cut at a zero unit), as report lines.
// The file is read shared, so a log that a running client still writes can be copied. A file
// that cannot be opened gives, under its path, the line "Could not be read: " and the failure's
// English text instead; one that fails part-way gives that line after the lines read until then.
// Throws what the writer throws.
void writeLogFile(PrintWriter& writer, const std::wstring& path);

// Copies the last part of a log file: its path, the line that says how many bytes before the part
// are left out, then the lines from the first whole line at or after firstByte up to endByte. A
// failure to open or read is named as writeLogFile names it. Throws what the writer throws.
void writeLogFilePart(PrintWriter& writer, const std::wstring& path, unsigned long long firstByte,
                      unsigned long long endByte);

// The log section as planned (planLogSection), each piece followed by the separator, or "no logs
// found" and the separator when there are none. Throws what the writer throws.
void writeLogSection(PrintWriter& writer, const std::vector<LogSectionPart>& parts);
