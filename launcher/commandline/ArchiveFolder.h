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

// What a start does about its archive.
struct ClassDataArchivePlan {
    // For the client's command line; empty for none.
    std::wstring options;
    // When the client lists its classes for a new archive: the options of the run that assembles
    // it (see startArchiveAssembly), the list the client writes and the one that run reads.
    std::wstring assemblyOptions;
    std::wstring classList;
    std::wstring startList;
};

// The archive options of this start, decided by decideClassDataArchive from what the folder
// kArchiveFolderName holds, with the one log line of the decision. Clears the files of other
// fingerprints, and before a write the half-written or refused files of this one. A folder or file
// that cannot be made, read or removed costs this start its archive, never the start: nothing
// here throws but the log.
ClassDataArchivePlan prepareClassDataArchive(const ArchiveInputs& inputs, LogfileWriter& log);
