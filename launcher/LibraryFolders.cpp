#include "launcher/LibraryFolders.h"

#include "launcher/ClasspathFinder.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"

namespace {

void seedLibraryFolder(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    if (isDirectory(libDir)) return;
    log.log(L"Creating directory " + libDir);
    createFolder(libDir);
    log.log(L"Copy directory " + installLibDir + L" to " + libDir);
    copyFolder(installLibDir, libDir);
}

// The client prepares a complete lib_new; the previous libraries stay in lib_old until the next swap.
void swapInNewLibraryFolder(const std::wstring& appDirFolder, const std::wstring& libDir, LogfileWriter& log) {
    const std::wstring newLibDir = appDirFolder + L"lib_new";
    const std::wstring oldLibDir = appDirFolder + L"lib_old";
    if (!isDirectory(newLibDir)) return;
    log.log(L"New lib folder found at " + newLibDir);
    if (isDirectory(oldLibDir)) {
        log.log(L"Deleting old lib folder " + oldLibDir);
        deleteFolder(oldLibDir);
    }
    // A running client holds its jars: InUse asks the user to close it.
    if (isDirectory(libDir)) {
        log.log(L"Renaming " + libDir + L" to " + oldLibDir);
        renameFolder(libDir, oldLibDir, IOException::InUse);
    }
    log.log(L"Renaming " + newLibDir + L" to " + libDir);
    renameFolder(newLibDir, libDir, IOException::InUse);
}

std::wstring classpathOf(const std::wstring& libDir) {
    ClasspathFinder finder;
    return finder.createClasspath(libDir + L"\\");
}

void recoverLibraryFolder(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    log.log(L"Recovering folder " + libDir);
    copyFolder(installLibDir, libDir);
}

// The first repair copies over what is there. False (and logged) when that copy failed: a first
// start cut short during seeding leaves subfolders that the copy cannot create again, at every
// start from then on, and what it copied before failing is no complete library. The second
// repair starts from an empty folder and does not meet them.
bool tryFirstRecovery(const std::wstring& installLibDir, const std::wstring& libDir, LogfileWriter& log) {
    try {
        recoverLibraryFolder(installLibDir, libDir, log);
        return true;
    } catch (const IOException& failure) {
        log.log(L"First recovery failed: " + failure.englishMessage);
        return false;
    }
}

}  // namespace

void maintainLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                           const std::wstring& libDir, LogfileWriter& log) {
    seedLibraryFolder(installLibDir, libDir, log);
    swapInNewLibraryFolder(appDirFolder, libDir, log);
}

std::wstring createClasspathWithRecovery(const std::wstring& libDir, const std::wstring& installLibDir,
                                         LogfileWriter& log) {
    log.log(L"Creating classpath from folder " + libDir);
    std::wstring classpath = classpathOf(libDir);
    if (classpath.empty()) {
        log.log(L"Classpath not found");
        if (installLibDir != libDir) {
            // First repair: copy the installation's libraries over what is there.
            if (!isDirectory(libDir)) {
                log.log(L"Creating folder " + libDir);
                createFolder(libDir);
            }
            if (tryFirstRecovery(installLibDir, libDir, log)) classpath = classpathOf(libDir);
            if (classpath.empty()) {
                // Second repair: a clean copy into an empty folder.
                log.log(L"Classpath still not found, deleting folder " + libDir);
                deleteFolder(libDir);
                log.log(L"Creating folder " + libDir);
                createFolder(libDir);
                recoverLibraryFolder(installLibDir, libDir, log);
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
