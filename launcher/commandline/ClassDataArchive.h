#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The per-user class-data archive: one start of the client lists the classes it loads; once that
// client is ready, a second run of the runtime assembles an archive of them in the background
// (ArchiveAssembly), and later starts hand it to the runtime, which maps those classes instead of
// loading them. Listing costs the client next to nothing, where having the client's own run write
// the archive slows its start (the runtime's recording for an ahead-of-time cache, by half). An
// archive belongs to one runtime and one class path; the fingerprint in its name tells them apart.
// The decisions here work on plain data; ArchiveFolder gathers it from the disk.

// What a runtime offers: Java 13 to 24 a class-data archive of the client's classes, Java 25 and
// later the same archive with those classes linked ahead of time (the ahead-of-time cache), older
// or unknown runtimes nothing.
enum class ArchiveKind { None, SharedArchive, AheadOfTimeCache };

// versionNumber on the scale of runtimeVersionNumber (RuntimeVersionName.h); 0 for unknown.
// Never throws.
ArchiveKind archiveKindFor(int versionNumber);

// The first option of the options line (win.vmoptions) that already decides about archives
// (-Xshare, -XX:SharedArchiveFile, -XX:AOTCache, -XX:DumpLoadedClassList and their kind), as it
// is written up to the next blank or quote; empty when there is none. An administrator's choice
// always wins. Never throws.
std::wstring archiveOptionChosenIn(const std::wstring& vmOptions);

// One file that the fingerprint covers: its path and, when it exists, its size and write time.
struct FileStamp {
    std::wstring path;
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
};

// 16 hexadecimal digits that change with any path, size or write time of files (the runtime
// first, then every class path entry), so a library swap, a repair or another runtime leads to
// another archive. Never throws.
std::wstring archiveFingerprint(const std::vector<FileStamp>& files);

// The files of one fingerprint in the archive folder. writeLog and useLog receive the runtime's
// own log of the run that assembled the archive and of the last run that used it.
struct ArchivePaths {
    std::wstring archive;
    std::wstring writeLog;
    std::wstring useLog;
    // The classes the client's run lists as it loads them, and the whole lines of them that the
    // assembling run reads (the client may still be writing the first).
    std::wstring classList;
    std::wstring startList;
};

// The archive files of fingerprint in folder (without trailing backslash): fingerprint + ".jsa"
// or ".aot", the logs and lists beside it. Never throws.
ArchivePaths archivePathsFor(const std::wstring& folder, const std::wstring& fingerprint, ArchiveKind kind);

// What the archive folder holds for the current fingerprint.
struct ArchiveFindings {
    bool archivePresent = false;
    // The archive's first bytes (at least four when it has them).
    std::string archiveStart;
    std::string useLog;
};

struct ArchiveDecision {
    enum Action { Leave, Use, Write };
    Action action = Leave;
    // The archive option as the log names it (unquoted); empty for Leave.
    std::wstring archiveOption;
    // Quoted options, blank-separated, to stand before the options line; empty for Leave.
    std::wstring options;
    // For Write: the quoted options of the run that assembles the archive from paths.startList
    // (with the client's class path, which the archive belongs to); empty otherwise.
    std::wstring assemblyOptions;
    // Why, as the end of the log line.
    std::wstring reason;
};

// The archive option for this start. Leave for an old or unknown runtime and when vmOptions
// chooses itself. Use when the archive starts as every archive of its kind does (the runtime
// writes those first bytes last, so a run killed while assembling, or one that ran out of space,
// leaves zeros there) and the last run that used it logged no complaint. Otherwise Write: the
// files of the fingerprint are to be removed first, the client's run lists its classes, and the
// archive is assembled from them. Never throws.
ArchiveDecision decideClassDataArchive(int versionNumber, const std::wstring& vmOptions, const ArchivePaths& paths,
                                       const ArchiveFindings& findings);

// The whole lines of a class list that its runtime may still be writing: up to its last line
// break; empty when it has none. Never throws but std::bad_alloc.
std::string wholeLinesOf(const std::string& classList);

// The one log line of a decision: which option was added and why. Never throws.
std::wstring archiveLogLine(const ArchiveDecision& decision);
