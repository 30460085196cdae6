#pragma once

#include <string>

class LogfileWriter;

// What the class-data archive of a start depends on.
struct ArchiveInputs {
    std::wstring appDirFolder;  // ends with a backslash
    std::wstring javaPath;
    int versionNumber = 0;      // runtimeVersionNumber's scale; 0 for unknown
    std::wstring classpath;     // the jars joined by ";"
    std::wstring vmOptions;     // the options line of win.vmoptions
};

// The folder "cds" of the application folder, which holds the archives. Never inside a library
// folder: it must never join a class path or a swap.
extern const wchar_t kArchiveFolderName[];

// The archive options of this start (empty for none), decided by decideClassDataArchive from what
// the folder kArchiveFolderName holds, with the one log line of the decision. Clears the files of
// other fingerprints, and before a write the half-written or refused files of this one. A folder
// or file that cannot be made, read or removed costs this start its archive, never the start:
// nothing here throws but the log.
std::wstring prepareClassDataArchive(const ArchiveInputs& inputs, LogfileWriter& log);
