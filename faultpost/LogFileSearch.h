#pragma once

#include <string>
#include <vector>

// Appends folder + name of every "*.log" file in folder (a path ending with a backslash, or
// empty for the current folder) to list, in the order the file system reports them. Folders
// whose names end in ".log", links, and names that match only by their short (8.3) name are
// skipped. A missing folder or no match adds nothing. Never throws.
void addLogFiles(const std::wstring& folder, std::vector<std::wstring>& list);
// As addLogFiles, and adds the size that the listing reports for each appended file to
// totalBytes. Never throws.
void addLogFilesCountingBytes(const std::wstring& folder, std::vector<std::wstring>& list,
                              unsigned long long& totalBytes);
