#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "faultpost/LogFileSearch.h"

// How the report stays small enough to be mailed: which log files go in whole, which one goes in
// with its last part only, and which are left out. On plain values, so tests feed them tables;
// nothing here touches the machine or throws.

// The most UTF-16 units the whole report may take. Many mail servers refuse messages over 10 to
// 25 MB; 8 MB of text leaves room for the mail program's encoding. The hand-over gives one byte
// a unit in the single-byte code pages of Western Europe.
inline constexpr long long kReportLimitUnits = 8 * 1000 * 1000;

// A moment of local time as the digits yyyyMMddHHmmss, so that later moments are greater.
unsigned long long timeDigits(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                              unsigned second);

// The start time in a launcher log's name, "kvl_" + "yyyy_MM_dd_" + "HHmmss" + ".launch.log" (the
// path's folder part ignored), as timeDigits; nothing for any other name.
std::optional<unsigned long long> launchLogStartTime(const std::wstring& path);

// One log file as the folder listing found it.
struct ListedLog {
    std::wstring path;
    unsigned long long bytes = 0;
    // When it was written: the start time in a launcher log's name, else its last-write time,
    // both as timeDigits.
    unsigned long long time = 0;
};

// The found logs in their order, each with its listed size and the time that tells which are the
// oldest: the start time in a launcher log's name, else the listed last-write time.
std::vector<ListedLog> listedLogs(const FoundLogs& found);

// One piece of the log section, in report order.
struct LogSectionPart {
    enum class Kind { WholeFile, LastPart, LeftOutFiles };
    Kind kind = Kind::WholeFile;
    // The file; for LeftOutFiles the folder whose files are left out, without trailing backslash.
    std::wstring path;
    // LastPart: the part begins at the first whole line from firstByte on and ends at endByte,
    // the size listed, so a log that grows while it is read cannot push the report further.
    unsigned long long firstByte = 0;
    unsigned long long endByte = 0;
    // LeftOutFiles: how many files of the folder are left out.
    std::size_t leftOutCount = 0;
};

// The log section for logs in report order, within room units (the report's limit less its head).
// When every file fits, each goes in whole, as it always did. Otherwise whole files are left out,
// the oldest first (by time; of equal times the one later in the list counts as the newer), until
// the rest fits with one line per folder that stands in the place of its first left-out file.
// A single file that alone passes room goes in with its last part that fits instead. The units
// of a file are counted as its bytes, exact for the launcher's CR LF lines (an LF-only line takes
// one unit more).
std::vector<LogSectionPart> planLogSection(const std::vector<ListedLog>& logs, long long room);

// The line that stands for the left-out files of a folder.
std::wstring leftOutFilesLine(std::size_t count, const std::wstring& folder);
// The line under the path of a file of which only the last part is copied.
std::wstring leftOutBytesLine(unsigned long long bytes);
