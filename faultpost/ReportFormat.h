#pragma once

#include <string>
#include <vector>

// The fixed pieces of the error report and the decisions behind its layout, on plain values so
// tests can feed them tables. Nothing here touches the machine or throws.

// Closes the version line and every copied log file.
inline constexpr wchar_t kReportSeparator[] = L"----------";
// Begins the line that stands under the path of a log file that could not be read, followed by
// the failure's English text, English for every user like the report's other fixed lines.
inline constexpr wchar_t kCouldNotBeRead[] = L"Could not be read: ";
// Stands in for the log files when no folder holds one.
inline constexpr wchar_t kNoLogsFound[] = L"no logs found";

// The Windows name for a version as RtlGetVersion reports it. The platform identifier only tells
// 4.0 apart (Windows 95 against NT 4.0); the build and the product type (VER_NT_WORKSTATION or a
// server's) only 10.0 (Windows 10 below build 22000, Windows 11 from it, the servers by their
// builds). Empty for versions the table does not list.
std::wstring windowsName(unsigned long major, unsigned long minor, unsigned long build, unsigned long platformId,
                         unsigned char productType);

// The whole first line of the report without its line end: "OS Version = " major.minor.build,
// a blank, the Windows name, a blank and the service-pack text.
std::wstring systemDescription(unsigned long major, unsigned long minor, unsigned long build,
                               unsigned long platformId, unsigned char productType, const std::wstring& servicePack);

// The most UTF-16 units that the version line and the separator after it take, line ends
// included. Never throws.
long long longestReportHeadUnits();

// UTF-16 units, terminator included, that the report over these log files takes when their lines
// end with CR LF: the longest version line and the separator, then for each file its path line,
// its content at one unit per UTF-8 byte (the most that any byte decodes to), a line end for a
// last line without one, and the separator. Logs with LF-only line ends take one unit more per
// line than this. Never throws.
long long expectedReportUnits(const std::vector<std::wstring>& paths, unsigned long long logBytes);

// Whether a report of this many UTF-16 units (terminator not counted) can be handed to the mail
// program: the hand-over converts it to the ANSI code page with room for two bytes a unit, and
// that buffer must fit a 32-bit count. A larger report can only end in "Not enough memory", so it
// is better given up before it takes gigabytes. Never throws.
bool reportFitsHandOver(long long units);
// The most units for which reportFitsHandOver holds. Never throws.
long long handOverLimitUnits();

// Orders the found log paths by their UTF-16 code units (case-sensitive, a prefix first), so the
// files of one folder come out together and the launcher's time-stamped logs oldest first.
void sortLogPaths(std::vector<std::wstring>& paths);
