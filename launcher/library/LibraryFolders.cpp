#include "launcher/library/LibraryFolders.h"

#include "launcher/library/ClasspathFinder.h"
#include "support/FileOutputStream.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"

const wchar_t kLibraryCompleteMarker[] = L"library.complete";

bool looksCutShort(const std::map<std::wstring, std::uint64_t>& installFiles,
                   const std::map<std::wstring, std::uint64_t>& libFiles) {
    int shorterFiles = 0;
    for (const auto& [path, size] : libFiles) {
        const auto installed = installFiles.find(path);
        if (installed == installFiles.end()) return false;
        if (size == installed->second) continue;
        // An interrupted copy leaves one file short (often empty); any other difference is
        // another version of the libraries.
        if (size > installed->second || ++shorterFiles > 1) return false;
    }
    return shorterFiles == 1 || libFiles.size() < installFiles.size();
}

namespace {

std::wstring stagingFolderOf(const std::wstring& libDir) {
    return libDir + L"_tmp";
}

// Where a library that is replaced goes for the moment between the two renames.
std::wstring discardFolderOf(const std::wstring& libDir) {
    return libDir + L"_discard";
}

bool isPresent(const std::wstring& path) {
    return isDirectory(path) || isFile(path);
}

// Marks folder as a complete library. The mark only spares a later start the check of a library
// that an earlier launcher seeded in place, so a mark that cannot be written is no failure.
void markComplete(const std::wstring& folder) {
    FileOutputStream marker(folder + L"\\" + kLibraryCompleteMarker);
}

bool isMarkedComplete(const std::wstring& folder) {
    return isFile(folder + L"\\" + kLibraryCompleteMarker);
}

// Something that a launcher which died mid-way left under a temporary name: never used.
void removeLeftover(const std::wstring& path, LogfileWriter& log) {
    if (!isPresent(path)) return;
    log.log(L"Deleting unfinished folder " + path);
    deleteFolder(path);
}

// The copy under the temporary name. Removed again unless it took its place, so that a failed copy
// leaves nothing a later start could take for a library.
class StagingFolder {
public:
    StagingFolder(const std::wstring& libDir, LogfileWriter& log)
        : libDir_(libDir), path_(stagingFolderOf(libDir)), log_(log) {
        removeLeftover(path_, log_);
        log_.log(L"Creating directory " + path_);
        createFolder(path_);
        created_ = true;
    }
    ~StagingFolder() {
        if (created_) tryDeleteFolder(path_);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    void copyFrom(const std::wstring& source) {
        log_.log(L"Copy directory " + source + L" to " + path_);
        copyFolder(source, path_);
    }

    // The complete copy becomes libDir. A library that is there goes aside first and is deleted
    // once the copy has its place: a start cut short between the two renames finds no libDir and
    // copies again, never a half-deleted library.
    void replaceLibrary() {
        markComplete(path_);
        const std::wstring discard = discardFolderOf(libDir_);
        const bool replacing = isPresent(libDir_);
        if (replacing) {
            removeLeftover(discard, log_);
            log_.log(L"Renaming " + libDir_ + L" to " + discard);
            renameFolder(libDir_, discard, IOException::InUse);
        }
        log_.log(L"Renaming " + path_ + L" to " + libDir_);
        renameFolder(path_, libDir_, IOException::Resource);
        created_ = false;
        if (replacing) {
            log_.log(L"Deleting folder " + discard);
            // Held by a scanner for longer: the next start removes it as a leftover.
            tryDeleteFolder(discard);
        }
    }

private:
    std::wstring libDir_;
    std::wstring path_;
    LogfileWriter& log_;
    bool created_ = false;
};

void copyInstallationInto(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    StagingFolder staging(libDir, log);
    staging.copyFrom(installLibDir);
    staging.replaceLibrary();
}

// A library that an earlier launcher copied straight into place may have been cut short; it is
// checked once and then marked, so the check costs one walk of both folders at one start only.
// A library beside lib_old or lib_new came from an update, which is complete by contract.
void checkLibrarySeededInPlace(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                               const std::wstring& libDir, LogfileWriter& log) {
    if (isMarkedComplete(libDir)) return;
    if (isPresent(appDirFolder + L"lib_old") || isPresent(appDirFolder + L"lib_new")) return;
    if (looksCutShort(copiedFilesBelow(installLibDir), copiedFilesBelow(libDir))) {
        log.log(L"Library folder " + libDir + L" is incomplete, copying it again");
        copyInstallationInto(installLibDir, libDir, log);
    } else {
        markComplete(libDir);
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
    removeLeftover(stagingFolderOf(libDir), log);
    removeLeftover(discardFolderOf(libDir), log);
    if (isDirectory(libDir)) {
        checkLibrarySeededInPlace(appDirFolder, installLibDir, libDir, log);
        return;
    }
    copyInstallationInto(installLibDir, libDir, log);
}

// Makes room for the backup. A folder or a file at lib_old that cannot be removed (held open, a
// name the system refuses) must not lock the user out: false, and the swap goes on without one.
bool clearBackupPlace(const std::wstring& oldLibDir, LogfileWriter& log) {
    if (!isPresent(oldLibDir)) return true;
    log.log((isDirectory(oldLibDir) ? L"Deleting old lib folder " : L"Deleting file ") + oldLibDir);
    if (tryDeleteFolder(oldLibDir)) return true;
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
    markComplete(newLibDir);
    const bool backupPossible = clearBackupPlace(oldLibDir, log);
    // A running client holds its jars: InUse asks the user to close it.
    std::wstring setAside;
    if (isDirectory(libDir)) {
        setAside = backupPossible ? oldLibDir : discardFolderOf(libDir);
        if (!backupPossible) removeLeftover(setAside, log);
        log.log(L"Renaming " + libDir + L" to " + setAside);
        renameFolder(libDir, setAside, IOException::InUse);
    }
    log.log(L"Renaming " + newLibDir + L" to " + libDir);
    renameFolder(newLibDir, libDir, IOException::InUse);
    if (!setAside.empty() && !backupPossible) {
        log.log(L"Deleting folder " + setAside);
        tryDeleteFolder(setAside);
    }
}

std::wstring classpathOf(const std::wstring& libDir) {
    ClasspathFinder finder;
    return finder.createClasspath(libDir + L"\\");
}

// The first repair copies the installation's libraries over what is there (a staged copy of both,
// the installation's files winning). False (and logged) when that copy failed: a first start cut
// short by an earlier launcher leaves subfolders that the copy cannot create again, and what it
// copied before failing is no complete library. Only a failed copy goes on to the second repair; an
// installation library that cannot be listed fails the same way there and ends the start here.
bool tryFirstRecovery(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    log.log(L"Recovering folder " + libDir);
    if (!isDirectory(installLibDir)) throw invalidSourceFolder(installLibDir);
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

std::wstring createClasspathWithRecovery(const std::wstring& libDir, const std::wstring& installLibDir,
                                         LogfileWriter& log) {
    log.log(L"Creating classpath from folder " + libDir);
    std::wstring classpath = classpathOf(libDir);
    if (classpath.empty()) {
        log.log(L"Classpath not found");
        if (installLibDir != libDir) {
            if (tryFirstRecovery(installLibDir, libDir, log)) classpath = classpathOf(libDir);
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
