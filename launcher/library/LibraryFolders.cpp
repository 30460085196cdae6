#include "launcher/library/LibraryFolders.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <windows.h>

#include "launcher/library/ClasspathFinder.h"
#include "support/AsciiCase.h"
#include "support/FileOutputStream.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"

const wchar_t kLibraryCompleteMarker[] = L"library.complete";

namespace {

bool isJar(const std::wstring& path) {
    const std::wstring extension = L".jar";
    if (path.size() < extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), path.end() - extension.size(),
                      [](wchar_t a, wchar_t b) { return a == lowerAsciiLetter(b); });
}

// The bytes of a file from offset on, at most count of them; empty at the end or on a failure.
std::string bytesAt(HANDLE file, std::uint64_t offset, std::size_t count) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return std::string();
    std::string bytes(count, '\0');
    DWORD read = 0;
    if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(count), &read, nullptr)) return std::string();
    bytes.resize(read);
    return bytes;
}

UniqueFileHandle openForReading(const std::wstring& path) {
    // A running client or a scanner may hold the file: reading beside it takes every share mode.
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::uint64_t sizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

}  // namespace

bool holdsStartOf(const std::wstring& installed, const std::wstring& copied) {
    const UniqueFileHandle original = openForReading(installed);
    const UniqueFileHandle copy = openForReading(copied);
    if (!original || !copy) return false;
    const std::uint64_t originalSize = sizeOf(original.get());
    const std::uint64_t copySize = sizeOf(copy.get());
    if (copySize > originalSize) return false;
    constexpr std::size_t kChunk = 64 * 1024;
    if (copySize == originalSize) {
        // Most jars of a library are whole: equal tails (a jar ends with its directory) spare
        // reading them through.
        const std::uint64_t tail = copySize - std::min<std::uint64_t>(copySize, 4096);
        const std::size_t tailSize = static_cast<std::size_t>(copySize - tail);
        if (bytesAt(original.get(), tail, tailSize) == bytesAt(copy.get(), tail, tailSize)) return false;
    }
    bool differed = false;
    for (std::uint64_t offset = 0; offset < copySize; offset += kChunk) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, copySize - offset));
        const std::string copyBytes = bytesAt(copy.get(), offset, count);
        const std::string originalBytes = bytesAt(original.get(), offset, count);
        if (copyBytes.size() != count || originalBytes.size() != count) return false;
        for (std::size_t i = 0; i < count; ++i) {
            // Past the point where the copy stopped writing, only the zeros of a preset size.
            if (!differed && copyBytes[i] != originalBytes[i]) differed = true;
            if (differed && copyBytes[i] != '\0') return false;
        }
    }
    return differed || copySize < originalSize;
}

bool looksCutShort(const std::map<std::wstring, std::uint64_t>& installFiles,
                   const std::map<std::wstring, std::uint64_t>& libFiles,
                   const std::function<bool(const std::wstring& relativePath)>& holdsStartOfInstalled) {
    std::vector<std::wstring> shorterJars;
    std::vector<std::wstring> equalJars;
    for (const auto& [path, size] : libFiles) {
        const auto installed = installFiles.find(path);
        // A file the installation lacks is the user's own or an update's.
        if (installed == installFiles.end()) return false;
        // Only the jars were copied by the older launchers that seeded in place: any other file
        // of another size was edited (a site's win.vmoptions).
        if (!isJar(path)) {
            if (size != installed->second) return false;
            continue;
        }
        if (size > installed->second) return false;
        (size < installed->second ? shorterJars : equalJars).push_back(path);
    }
    if (shorterJars.size() > 1) return false;
    if (shorterJars.size() == 1) return holdsStartOfInstalled(shorterJars.front());
    // Windows sets the size of a copy before it writes: the jar being written may be as long as
    // the installation's.
    int cutJars = 0;
    for (const std::wstring& path : equalJars) {
        if (holdsStartOfInstalled(path) && ++cutJars > 1) return false;
    }
    return cutJars == 1;
}

namespace {

// The temporary names a library folder has: "_tmp" for a copy being made, "_discard" for a library
// being replaced.
const wchar_t kStagingRole[] = L"_tmp";
const wchar_t kDiscardRole[] = L"_discard";
// A leftover that a scanner or an indexer keeps open must not lock the user out: the next copy
// takes a fresh name beside it, as many as a few stubborn leftovers need.
constexpr int kNamesPerRole = 10;

// The plain name of the role first, then the fresh ones ("lib_tmp", "lib_tmp2", ...).
std::vector<std::wstring> temporaryNamesOf(const std::wstring& libDir, const wchar_t* role) {
    std::vector<std::wstring> names = {libDir + role};
    for (int number = 2; number <= kNamesPerRole; ++number) names.push_back(libDir + role + std::to_wstring(number));
    return names;
}

bool isPresent(const std::wstring& path) {
    return isDirectory(path) || isFile(path);
}

// Whatever is at path, a folder tree or a file; false when it stays.
bool tryRemove(const std::wstring& path) {
    return isDirectory(path) ? tryDeleteFolder(path) : tryDeleteFile(path);
}

// Marks folder as a complete library. Throws the IOException of the stream when the mark cannot
// be written.
void markComplete(const std::wstring& folder) {
    FileOutputStream marker(folder + L"\\" + kLibraryCompleteMarker);
    marker.flush();
    marker.close();
}

// The mark that only spares a later start a check: one that cannot be written is no failure.
void tryMarkComplete(const std::wstring& folder) {
    FileOutputStream marker(folder + L"\\" + kLibraryCompleteMarker);
}

bool isMarkedComplete(const std::wstring& folder) {
    return isFile(folder + L"\\" + kLibraryCompleteMarker);
}

// Something that a launcher which died mid-way left under a temporary name: never used. One that
// does not go away (a file another program keeps open) is logged and left for a later start.
// True when the name is free. Never throws.
bool tryRemoveLeftover(const std::wstring& path, LogfileWriter& log) {
    if (!isPresent(path)) return true;
    log.log((isDirectory(path) ? L"Deleting unfinished folder " : L"Deleting unfinished file ") + path);
    if (tryRemove(path)) return true;
    log.log(L"Could not delete " + path + L", it is left for a later start");
    return false;
}

void removeLeftovers(const std::wstring& libDir, LogfileWriter& log) {
    for (const wchar_t* role : {kStagingRole, kDiscardRole}) {
        for (const std::wstring& name : temporaryNamesOf(libDir, role)) tryRemoveLeftover(name, log);
    }
}

// A name of the role that nothing uses, clearing a leftover if every name is taken. Throws the
// delete error of the plain name when no leftover goes away.
std::wstring freeTemporaryName(const std::wstring& libDir, const wchar_t* role, LogfileWriter& log) {
    const std::vector<std::wstring> names = temporaryNamesOf(libDir, role);
    for (const std::wstring& name : names) {
        if (!isPresent(name)) return name;
    }
    for (const std::wstring& name : names) {
        if (tryRemoveLeftover(name, log)) return name;
    }
    throw IOException(L"Der Ordner " + names.front() + L" kann nicht gelöscht werden.",
                      L"The folder " + names.front() + L" can not be deleted.", IOException::Resource);
}

// The first file of the sources (by relative path, the last source winning as in the copy) that
// the copy lacks or holds with another size; false when it holds them all.
bool findFileNotCopied(const std::vector<std::wstring>& sources, const std::wstring& copy,
                       std::wstring& sourceFile, std::wstring& copiedFile) {
    std::map<std::wstring, std::pair<std::wstring, std::uint64_t>> expected;
    for (const std::wstring& source : sources) {
        for (const auto& [path, size] : copiedFilesBelow(source)) expected[path] = {source, size};
    }
    const std::map<std::wstring, std::uint64_t> copied = copiedFilesBelow(copy);
    for (const auto& [path, origin] : expected) {
        const auto found = copied.find(path);
        if (found != copied.end() && found->second == origin.second) continue;
        sourceFile = origin.first + L"\\" + path;
        copiedFile = copy + L"\\" + path;
        return true;
    }
    return false;
}

// Puts replacement in libDir's place. What is there goes aside under a discard name first and is
// deleted once the replacement has its place: a start cut short between the two renames finds the
// replacement and no libDir, never a half-deleted library. A running client holds its jars, so a
// library that cannot be set aside is InUse.
void replaceSettingAside(const std::wstring& replacement, const std::wstring& libDir, IOException::Kind placingKind,
                         LogfileWriter& log) {
    std::wstring discard;
    if (isPresent(libDir)) {
        discard = freeTemporaryName(libDir, kDiscardRole, log);
        log.log(L"Renaming " + libDir + L" to " + discard);
        renameFolder(libDir, discard, IOException::InUse);
    }
    log.log(L"Renaming " + replacement + L" to " + libDir);
    renameFolder(replacement, libDir, placingKind);
    if (discard.empty()) return;
    log.log(L"Deleting folder " + discard);
    // Held by a scanner for longer: the next start removes it as a leftover.
    tryRemove(discard);
}

// The copy under a temporary name. Removed again unless it took its place, so that a failed copy
// leaves nothing a later start could take for a library.
class StagingFolder {
public:
    StagingFolder(const std::wstring& libDir, LogfileWriter& log)
        : libDir_(libDir), path_(freeTemporaryName(libDir, kStagingRole, log)), log_(log) {
        log_.log(L"Creating directory " + path_);
        createFolder(path_);
        created_ = true;
    }
    ~StagingFolder() {
        if (created_) tryDeleteFolder(path_);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // Folders that an earlier source brought are copied into, so the sources merge.
    void copyFrom(const std::wstring& source) {
        log_.log(L"Copy directory " + source + L" to " + path_);
        mergeFolderInto(source, path_);
        sources_.push_back(source);
    }

    // The copy becomes libDir once it holds what its sources bring, by name and size: whatever a
    // guard missed (another program deleting in it), no short copy is ever marked complete. Throws
    // the copy error of the first file it lacks.
    void replaceLibrary() {
        std::wstring sourceFile;
        std::wstring copiedFile;
        if (findFileNotCopied(sources_, path_, sourceFile, copiedFile)) throw fileCopyFailure(sourceFile, copiedFile);
        markComplete(path_);
        replaceSettingAside(path_, libDir_, IOException::Resource, log_);
        created_ = false;
    }

private:
    std::wstring libDir_;
    std::wstring path_;
    LogfileWriter& log_;
    std::vector<std::wstring> sources_;
    bool created_ = false;
};

void copyInstallationInto(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    StagingFolder staging(libDir, log);
    staging.copyFrom(installLibDir);
    staging.replaceLibrary();
}

// A start cut short between the two renames of a replacement leaves a complete, marked copy and no
// libDir: the copy takes its place before anything set aside beside it is deleted. A copy counts
// only when it still holds every file of the installation's library with its size.
void putCompleteCopyInPlace(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    if (isPresent(libDir)) return;
    for (const std::wstring& staging : temporaryNamesOf(libDir, kStagingRole)) {
        std::wstring sourceFile;
        std::wstring copiedFile;
        if (!isDirectory(staging) || !isMarkedComplete(staging) ||
            findFileNotCopied({installLibDir}, staging, sourceFile, copiedFile)) {
            continue;
        }
        log.log(L"Complete library copy found at " + staging);
        log.log(L"Renaming " + staging + L" to " + libDir);
        renameFolder(staging, libDir, IOException::Resource);
        return;
    }
}

// A library that an earlier launcher copied straight into place may have been cut short; it is
// checked once and then marked, so the check costs one walk of both folders at one start only.
// A library beside lib_old or lib_new came from an update, which is complete by contract.
void checkLibrarySeededInPlace(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                               const std::wstring& libDir, LogfileWriter& log) {
    if (isMarkedComplete(libDir)) return;
    if (isPresent(appDirFolder + L"lib_old") || isPresent(appDirFolder + L"lib_new")) return;
    const auto holdsStartOfInstalled = [&](const std::wstring& relativePath) {
        return holdsStartOf(installLibDir + L"\\" + relativePath, libDir + L"\\" + relativePath);
    };
    if (looksCutShort(copiedFilesBelow(installLibDir), copiedFilesBelow(libDir), holdsStartOfInstalled)) {
        log.log(L"Library folder " + libDir + L" is incomplete, copying it again");
        copyInstallationInto(installLibDir, libDir, log);
    } else {
        tryMarkComplete(libDir);
    }
}

void seedLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                       const std::wstring& libDir, LogfileWriter& log) {
    if (installLibDir == libDir) {
        // The installation's own library (launch.ini chose the installation folder): there is no
        // copy to make. A missing one is created empty, so that the class path step reports it.
        if (isDirectory(libDir)) return;
        log.log(L"Creating directory " + libDir);
        createFolder(libDir);
        return;
    }
    putCompleteCopyInPlace(installLibDir, libDir, log);
    removeLeftovers(libDir, log);
    if (isDirectory(libDir)) {
        checkLibrarySeededInPlace(appDirFolder, installLibDir, libDir, log);
        return;
    }
    // A swap cut short after moving libDir to lib_old: the marked lib_new goes straight in, and
    // lib_old keeps the previous libraries.
    if (isMarkedComplete(appDirFolder + L"lib_new") && isPresent(appDirFolder + L"lib_old")) return;
    copyInstallationInto(installLibDir, libDir, log);
}

// Makes room for the backup. A folder or a file at lib_old that cannot be removed (held open, a
// name the system refuses) must not lock the user out: false, and the swap goes on without one.
bool clearBackupPlace(const std::wstring& oldLibDir, LogfileWriter& log) {
    if (!isPresent(oldLibDir)) return true;
    log.log((isDirectory(oldLibDir) ? L"Deleting old lib folder " : L"Deleting file ") + oldLibDir);
    if (tryRemove(oldLibDir)) return true;
    log.log(L"Could not delete " + oldLibDir + L", the previous libraries are not kept");
    return false;
}

// The client prepares a complete lib_new; the previous libraries stay in lib_old until the next
// swap. Every step is one rename or a delete of something no longer needed, so a start cut short
// anywhere leaves lib_new (and libDir or lib_old) for the next start to finish the swap with.
void swapInNewLibraryFolder(const std::wstring& appDirFolder, const std::wstring& libDir, LogfileWriter& log) {
    const std::wstring newLibDir = appDirFolder + L"lib_new";
    const std::wstring oldLibDir = appDirFolder + L"lib_old";
    if (!isDirectory(newLibDir)) return;
    log.log(L"New lib folder found at " + newLibDir);
    tryMarkComplete(newLibDir);
    // Without libDir, a swap cut short has moved it to lib_old already: that backup stays.
    if (isDirectory(libDir) && clearBackupPlace(oldLibDir, log)) {
        log.log(L"Renaming " + libDir + L" to " + oldLibDir);
        renameFolder(libDir, oldLibDir, IOException::InUse);
    }
    replaceSettingAside(newLibDir, libDir, IOException::InUse, log);
}

std::wstring classpathOf(const std::wstring& libDir) {
    ClasspathFinder finder;
    return finder.createClasspath(libDir + L"\\");
}

// The first repair: a staged merge of the library's own files and the installation's, the
// installation's winning. Throws "Invalid source folder" before anything is touched when the
// installation's library cannot be listed (a second repair would only delete the user's files
// and fail the same way), and the failures of putting the merge in place. False (and logged)
// when the copy itself failed: what it copied is no complete library, and the second repair
// mends that.
bool firstRecoveryCopied(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    log.log(L"Recovering folder " + libDir);
    const std::wstring unlistable = firstUnlistableFolder(installLibDir);
    if (!unlistable.empty()) throw invalidSourceFolder(unlistable);
    StagingFolder staging(libDir, log);
    try {
        if (isDirectory(libDir)) staging.copyFrom(libDir);
        staging.copyFrom(installLibDir);
    } catch (const IOException& failure) {
        log.log(L"First recovery failed: " + failure.englishMessage);
        return false;
    }
    staging.replaceLibrary();
    return true;
}

// The second repair: a clean copy of the installation's libraries. The library it deletes yields no
// class path, so a delete cut short leaves nothing a later start could run with.
void secondRecovery(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    log.log(L"Classpath still not found, deleting folder " + libDir);
    if (isPresent(libDir)) deleteFolder(libDir);
    log.log(L"Recovering folder " + libDir);
    copyInstallationInto(installLibDir, libDir, log);
}

}  // namespace

void maintainLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                           const std::wstring& libDir, LogfileWriter& log) {
    seedLibraryFolder(appDirFolder, installLibDir, libDir, log);
    swapInNewLibraryFolder(appDirFolder, libDir, log);
}

std::wstring createClasspathWithRecovery(const std::wstring& installLibDir, const std::wstring& libDir,
                                         LogfileWriter& log) {
    log.log(L"Creating classpath from folder " + libDir);
    std::wstring classpath = classpathOf(libDir);
    if (classpath.empty()) {
        log.log(L"Classpath not found");
        if (installLibDir != libDir) {
            if (firstRecoveryCopied(installLibDir, libDir, log)) classpath = classpathOf(libDir);
            if (classpath.empty()) {
                secondRecovery(installLibDir, libDir, log);
                classpath = classpathOf(libDir);
            }
        } else {
            log.log(L"No home lib folder available for recovery");
        }
        if (classpath.empty()) {
            log.log(L"Classpath not found, recovery not possible");
            throw IOException(L"Die Bibliotheken konnten im Verzeichnis " + libDir + L" nicht gefunden werden.",
                              L"The libraries could not be found within the folder " + libDir + L".",
                              IOException::Installation);
        }
    }
    log.log(L"Classpath created:" + classpath);
    return classpath;
}
