#pragma once

#include <map>
#include <string>
#include <vector>

// What the listing reported of one log file: its size and last-write time (local time, as
// timeDigits), both only hints, since a log may grow.
struct ListedFacts {
    unsigned long long bytes = 0;
    unsigned long long writeTime = 0;
};

// Log files as one walk over their folders found them: the paths, the sizes that the listing
// reported for them added up (a hint for the report's room, not a promise: a log may grow), and
// what it reported of each path.
struct FoundLogs {
    std::vector<std::wstring> paths;
    unsigned long long bytes = 0;
    std::map<std::wstring, ListedFacts> facts;
};

// Appends folder + name of every "*.log" file in folder (a path ending with a backslash, or
// empty for the current folder) to found, in the order the file system reports them, adds the
// size the listing reports for each and notes its size and last-write time in the facts.
// Folders whose names end in ".log", links, and names that match only by their short (8.3) name
// are skipped. A missing folder or no match adds
// nothing. Never throws.
void addLogFiles(const std::wstring& folder, FoundLogs& found);
