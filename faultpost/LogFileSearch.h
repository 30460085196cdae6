#pragma once

#include <string>
#include <vector>

// Log files as one walk over their folders found them: the paths, and the sizes that the listing
// reported for them added up (a hint for the report's room, not a promise: a log may grow).
struct FoundLogs {
    std::vector<std::wstring> paths;
    unsigned long long bytes = 0;
};

// Appends folder + name of every "*.log" file in folder (a path ending with a backslash, or
// empty for the current folder) to found, in the order the file system reports them, and adds
// the size the listing reports for each. Folders whose names end in ".log", links, and names
// that match only by their short (8.3) name are skipped. A missing folder or no match adds
// nothing. Never throws.
void addLogFiles(const std::wstring& folder, FoundLogs& found);
