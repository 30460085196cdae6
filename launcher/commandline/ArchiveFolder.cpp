#include "launcher/commandline/ArchiveFolder.h"

#include <string>
#include <vector>

#include <windows.h>

#include "launcher/commandline/ClassDataArchive.h"
#include "launcher/commandline/RuntimeReadablePath.h"
#include "support/FileStart.h"
#include "support/FindEntry.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"

const wchar_t kArchiveFolderName[] = L"cds";

namespace {

// A use run logs warnings and errors only: more than this is no log of ours.
constexpr std::size_t kLogLimit = 1024 * 1024;

// A log that cannot be read counts as missing: it holds no complaint.
std::string logText(const std::wstring& path) {
    std::string bytes;
    return tryReadFileStart(path, kLogLimit, bytes) ? bytes : std::string();
}

FileStamp stampOf(const std::wstring& path) {
    FileStamp stamp;
    stamp.path = path;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
    }
    return stamp;
}

std::vector<FileStamp> stampsOf(const ArchiveInputs& inputs) {
    std::vector<FileStamp> stamps = {stampOf(inputs.javaPath)};
    for (std::size_t start = 0; start <= inputs.classpath.size();) {
        std::size_t end = inputs.classpath.find(L';', start);
        if (end == std::wstring::npos) end = inputs.classpath.size();
        if (end > start) stamps.push_back(stampOf(inputs.classpath.substr(start, end - start)));
        start = end + 1;
    }
    return stamps;
}

// The runtime makes its archives read-only, which keeps DeleteFileW from removing them.
bool removeArchiveFile(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) != FALSE;
}

// Removes what older fingerprints left (a replaced library, another runtime). A file that a
// running client still maps stays until a later start.
void removeOtherFingerprints(const std::wstring& folder, const std::wstring& fingerprint) {
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search) return;
    const std::wstring own = fingerprint + L".";
    do {
        // The folder holds only files of ours; a folder or link in it is left alone.
        if (isSelfOrParent(entry) || isFolderEntry(entry) || isLinkEntry(entry)) continue;
        const std::wstring name = entry.cFileName;
        if (name.compare(0, own.size(), own) != 0) removeArchiveFile(folder + L"\\" + name);
    } while (::FindNextFileW(search.get(), &entry));
}

// False when a file of the set is still there: another client maps the archive or writes it.
bool removeArchiveFiles(const ArchivePaths& paths) {
    bool removed = true;
    for (const std::wstring* path :
         {&paths.archive, &paths.writeLog, &paths.useLog, &paths.classList, &paths.startList}) {
        if (!removeArchiveFile(*path) && ::GetLastError() != ERROR_FILE_NOT_FOUND) removed = false;
    }
    return removed;
}

}  // namespace

ClassDataArchivePlan prepareClassDataArchive(const ArchiveInputs& inputs, LogfileWriter& log) {
    ClassDataArchivePlan plan;
    const ArchiveKind kind = archiveKindFor(inputs.versionNumber);
    // An old runtime and an administrator's own choice leave the folder alone.
    if (kind == ArchiveKind::None || !archiveOptionChosenIn(inputs.vmOptions).empty()) {
        const ArchiveDecision decision =
            decideClassDataArchive(inputs.versionNumber, inputs.vmOptions, ArchivePaths(), ArchiveFindings());
        log.log(archiveLogLine(decision));
        return plan;
    }
    const std::wstring folder = inputs.appDirFolder + kArchiveFolderName;
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && !isDirectory(folder)) {
        log.log(L"Class data archive: no option (folder " + folder + L" cannot be created)");
        return plan;
    }
    const std::wstring fingerprint = archiveFingerprint(stampsOf(inputs));
    removeOtherFingerprints(folder, fingerprint);
    // The archive's files reach the runtime through its ANSI reading like every other path: the
    // folder in its short form where the code page cannot carry its name (the file names are ASCII).
    std::wstring readableFolder;
    if (!tryRuntimeReadablePath(folder, RuntimePathUse::Plain, readableFolder)) {
        log.log(L"Class data archive: no option (folder " + folder + L" has no name the runtime reads)");
        return plan;
    }
    const ArchivePaths paths = archivePathsFor(readableFolder, fingerprint, kind);
    ArchiveFindings findings;
    findings.archivePresent = isFile(paths.archive);
    // An unreadable archive reads as one without its first bytes: it is written anew.
    if (findings.archivePresent) tryReadFileStart(paths.archive, 4, findings.archiveStart);
    findings.useLog = logText(paths.useLog);
    const ArchiveDecision decision = decideClassDataArchive(inputs.versionNumber, inputs.vmOptions, paths, findings);
    if (decision.action == ArchiveDecision::Write && !removeArchiveFiles(paths)) {
        log.log(L"Class data archive: no option (the files of " + paths.archive + L" are in use)");
        return plan;
    }
    log.log(archiveLogLine(decision));
    plan.options = decision.options;
    if (decision.action == ArchiveDecision::Write) {
        plan.assemblyOptions = decision.assemblyOptions;
        plan.classList = paths.classList;
        plan.startList = paths.startList;
    }
    return plan;
}
