#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The per-user class-data archive: one start of the client writes an archive of the classes it
// loaded, and later starts hand it to the runtime, which maps those classes instead of loading
// them. An archive belongs to one runtime and one class path; the fingerprint in its name tells
// them apart. The decisions here work on plain data; ArchiveFolder gathers it from the disk.

// What a runtime offers: Java 13 to 24 the dynamic archive, Java 25 and later the ahead-of-time
// cache, older or unknown runtimes nothing.
enum class ArchiveKind { None, DynamicArchive, AheadOfTimeCache };

// versionNumber on the scale of runtimeVersionNumber (RuntimeVersionName.h); 0 for unknown.
// Never throws.
ArchiveKind archiveKindFor(int versionNumber);

// The first option of the options line (win.vmoptions) that already decides about archives
// (-Xshare, -XX:SharedArchiveFile, -XX:AOTCache and their kind), as it is written up to the next
// blank or quote; empty when there is none. An administrator's choice always wins. Never throws.
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
// own log of the run that wrote the archive and of the last run that used it.
struct ArchivePaths {
    std::wstring archive;
    std::wstring writeLog;
    std::wstring useLog;
    // The ahead-of-time cache's training data, which the runtime removes once the cache is built.
    std::wstring configuration;
};

// The archive files of fingerprint in folder (without trailing backslash): fingerprint + ".jsa"
// or ".aot", the logs beside it. Never throws.
ArchivePaths archivePathsFor(const std::wstring& folder, const std::wstring& fingerprint, ArchiveKind kind);

// What the archive folder holds for the current fingerprint.
struct ArchiveFindings {
    bool archivePresent = false;
    bool configurationPresent = false;
    // The archive's first bytes (at least four when it has them).
    std::string archiveStart;
    std::string writeLog;
    std::string useLog;
};

struct ArchiveDecision {
    enum Action { Leave, Use, Write };
    Action action = Leave;
    // The archive option as the log names it (unquoted); empty for Leave.
    std::wstring archiveOption;
    // Quoted options, blank-separated, to stand before the options line; empty for Leave.
    std::wstring options;
    // Why, as the end of the log line.
    std::wstring reason;
};

// The archive option for this start. Leave for an old or unknown runtime and when vmOptions
// chooses itself. Use when the archive is complete (the writing run logged its end; for the
// ahead-of-time cache, the runtime removed its training data), starts as every archive of its
// kind does, and the last run that used it logged no complaint. Otherwise Write: the files of the fingerprint are to be removed first and
// the client's run writes the archive when it ends. Never throws.
ArchiveDecision decideClassDataArchive(int versionNumber, const std::wstring& vmOptions, const ArchivePaths& paths,
                                       const ArchiveFindings& findings);

// The one log line of a decision: which option was added and why. Never throws.
std::wstring archiveLogLine(const ArchiveDecision& decision);
