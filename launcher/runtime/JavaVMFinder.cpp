#include "launcher/runtime/JavaVMFinder.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "launcher/runtime/JavaVersion.h"
#include "launcher/runtime/RuntimeRegistrations.h"
#include "launcher/runtime/RuntimeVersionName.h"
#include "support/DirectoryEnumerator.h"
#include "support/EnvironmentVariable.h"
#include "support/FileDescription.h"
#include "support/FileEnumerator.h"
#include "support/FileStart.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/RegistryEntry.h"
#include "support/RegistrySubKeys.h"

namespace {
const wchar_t kRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
// Java 9 and later no longer register under kRuntimeKey but under these, in the same layout.
const wchar_t* const kCurrentRuntimeKinds[] = {L"JRE", L"JDK"};

struct RegistryView {
    REGSAM flag;
    const wchar_t* bits;
};
const RegistryView kViews[] = {{KEY_WOW64_64KEY, L"64"}, {KEY_WOW64_32KEY, L"32"}};

// Gathers the names of the folders a walk reports, as plain data for chooseRuntimeFolder.
class FolderNameCollector : public FileEnumeratorCallback {
public:
    void onEntry(FileDescription& description) override { names.push_back(description.name); }

    std::vector<std::wstring> names;
};

// A release file is a few lines; anything beyond this is not one.
constexpr std::size_t kReleaseFileLimit = 64 * 1024;

// Where a place's key is missing below every root searched: true when one of keys is open,
// otherwise the dead end is logged.
bool anyOpenOrLogged(std::initializer_list<const RegistryEntry*> keys, LogfileWriter& log) {
    for (const RegistryEntry* key : keys) {
        if (key->isOpen()) return true;
    }
    log.log(L"No registry entry found");
    return false;
}

// The folder of one version sub-key of a registration: the value below the first suffix that has
// it; empty when none has.
std::wstring registeredHome(const RegistryEntry& registrationKey, const RuntimeRegistration& registration,
                            const std::wstring& versionName, REGSAM viewFlag) {
    for (const wchar_t* suffix : registration.suffixes) {
        if (suffix == nullptr) continue;
        const std::wstring below = *suffix == L'\0' ? versionName : versionName + L"\\" + suffix;
        const RegistryEntry versionKey(registrationKey, below, viewFlag);
        std::wstring home;
        if (getExpandedString(versionKey, registration.valueName, home) && !home.empty()) return home;
    }
    return std::wstring();
}

// Every version sub-key of an open registration key, as candidates.
void addRegisteredRuntimes(const RegistryEntry& registrationKey, const RuntimeRegistration& registration,
                           REGSAM viewFlag, std::vector<RegisteredRuntime>& runtimes) {
    std::vector<std::wstring> versionNames;
    listRegistrySubKeys(registrationKey, versionNames);
    for (const std::wstring& name : versionNames) {
        runtimes.push_back({name, registeredHome(registrationKey, registration, name, viewFlag)});
    }
}

// One registration in one view: every version sub-key is a candidate for pickRegisteredRuntime,
// the machine's and (for a runtime installed for this user only) the user's in one pool, the
// machine's first among equal versions.
void searchRegistration(const RuntimeRegistration& registration, const JavaVersion& minimum, REGSAM viewFlag,
                        std::wstring& result, JavaVersion& foundVersion, LogfileWriter& log) {
    const std::wstring path = std::wstring(L"SOFTWARE\\") + registration.key;
    const RegistryEntry machineKey(HKEY_LOCAL_MACHINE, path, viewFlag);
    const RegistryEntry userKey(HKEY_CURRENT_USER, path, viewFlag);
    if (!anyOpenOrLogged({&machineKey, &userKey}, log)) return;
    bool machineVersions = machineKey.isOpen();
    // Only the machine's "CurrentVersion" keys had a search of their own.
    if (machineVersions && registration.onlyWithoutCurrentVersion) {
        std::wstring currentVersion;
        machineKey.getString(L"CurrentVersion", currentVersion);
        if (!currentVersion.empty()) {
            log.log(L"CurrentVersion node found, versions not searched");
            if (!userKey.isOpen()) return;
            machineVersions = false;
        }
    }
    std::vector<RegisteredRuntime> runtimes;
    if (machineVersions) addRegisteredRuntimes(machineKey, registration, viewFlag, runtimes);
    addRegisteredRuntimes(userKey, registration, viewFlag, runtimes);
    if (runtimes.empty()) {
        log.log(L"No version node found");
        return;
    }
    std::vector<std::wstring> notes;
    result = pickRegisteredRuntime(runtimes, minimum, registration.valueName,
                                   [](const std::wstring& path) { return isFile(path); }, notes, foundVersion);
    for (const std::wstring& note : notes) log.log(note);
}

// The version that the release file of a runtime folder names; the empty version when it has
// none, or one that cannot be read.
JavaVersion releaseVersionIn(const std::wstring& runtimeFolder) {
    std::string releaseBytes;
    const std::wstring releasePath = inRuntimeFolder(runtimeFolder, L"release");
    if (!isFile(releasePath) || !tryReadFileStart(releasePath, kReleaseFileLimit, releaseBytes)) {
        return JavaVersion(std::wstring());
    }
    return releaseFileVersion(releaseBytes);
}

// JAVA_HOME of the launcher's environment, as people set it: with or without a trailing
// backslash, in quotes, with blanks around it or with %VARIABLE% references.
void searchJavaHome(const JavaVersion& minimum, std::wstring& result, JavaVersion& foundVersion, LogfileWriter& log) {
    const std::wstring home = expandEnvironmentStrings(unquotedJavaHome(environmentVariable(L"JAVA_HOME")));
    if (home.empty()) {
        log.log(L"No JAVA_HOME found");
        return;
    }
    // A relative folder would name a different runtime for every current folder.
    if (!isAbsoluteFolder(home)) {
        log.log(L"JAVA_HOME " + home + L" is relative, skipped");
        return;
    }
    const std::wstring javaw = javawInFolder(home);
    if (!isFile(javaw)) {
        log.log(L"No file " + javaw + L" found");
        return;
    }
    const std::wstring releasePath = inRuntimeFolder(home, L"release");
    // Nothing in the search raises: a release file that cannot be read counts as none.
    std::string releaseBytes;
    const bool hasReleaseFile = isFile(releasePath) && tryReadFileStart(releasePath, kReleaseFileLimit, releaseBytes);
    std::wstring note;
    const bool accepted = acceptJavaHomeRuntime(hasReleaseFile, releaseBytes, minimum, note);
    log.log(note);
    if (!accepted) return;
    result = javaw;
    foundVersion = releaseFileVersion(releaseBytes);
}

}  // namespace

bool isBetterRuntimeFolder(const std::wstring& best, const std::wstring& candidate) {
    // std::wstring compares wchar_t values, which on Windows are the unsigned UTF-16 units.
    return best.empty() || best.compare(candidate) < 0;
}

std::wstring chooseRuntimeFolder(const std::vector<std::wstring>& names) {
    std::wstring best;
    for (const std::wstring& name : names) {
        if (isBetterRuntimeFolder(best, name)) best = name;
    }
    return best;
}

void JavaVMFinder::onEntry(FileDescription& description) {
    // The walk reports a folder of that name as well; only a file can be started.
    const std::wstring path = description.fullPath();
    if (!isFile(path)) return;
    foundExecutable_ = path;
    description.stopRequested = true;
}

void JavaVMFinder::findJavaVM(const std::wstring& installFolder, const JavaVersion& minimum,
                              std::wstring& result, LogfileWriter& log) {
    JavaVersion unused{std::wstring()};
    findJavaVM(installFolder, minimum, result, unused, log);
}

void JavaVMFinder::findJavaVM(const std::wstring& installFolder, const JavaVersion& minimum,
                              std::wstring& result, JavaVersion& foundVersion, LogfileWriter& log) {
    result.clear();
    foundVersion = JavaVersion(std::wstring());
    for (const RegistryView& view : kViews) {
        log.log(std::wstring(L"Searching preinstalled ") + view.bits + L" bit Java VM");
        searchRegistry(kRuntimeKey, minimum, view.flag, result, foundVersion, log);
        if (!result.empty()) return;
    }
    log.log(L"Searching packaged Java VM");
    searchPackaged(installFolder, result, foundVersion);
    // The current runtimes come last, so that a machine which starts an older registered or a
    // packaged runtime today keeps starting that one, with the same log.
    for (const wchar_t* kind : kCurrentRuntimeKinds) {
        for (const RegistryView& view : kViews) {
            if (!result.empty()) return;
            log.log(std::wstring(L"Searching preinstalled ") + view.bits + L" bit Java VM (JavaSoft\\" + kind + L")");
            searchRegistry(std::wstring(L"SOFTWARE\\JavaSoft\\") + kind, minimum, view.flag, result, foundVersion,
                           log);
        }
    }
    // The vendors' own registrations and JAVA_HOME come after every JavaSoft place, for the same
    // reason: a machine that has one of those keeps its runtime and its log.
    for (const RuntimeRegistration& registration : kRuntimeRegistrations) {
        for (const RegistryView& view : kViews) {
            if (!result.empty()) return;
            log.log(std::wstring(L"Searching preinstalled ") + view.bits + L" bit Java VM (" +
                    registrationTitle(registration) + L")");
            searchRegistration(registration, minimum, view.flag, result, foundVersion, log);
        }
    }
    if (!result.empty()) return;
    log.log(L"Searching Java VM from JAVA_HOME");
    searchJavaHome(minimum, result, foundVersion, log);
}

void JavaVMFinder::searchRegistry(const std::wstring& key, const JavaVersion& minimum, REGSAM viewFlag,
                                  std::wstring& result, JavaVersion& foundVersion, LogfileWriter& log) {
    const RegistryEntry runtimes(HKEY_LOCAL_MACHINE, key, viewFlag);
    if (!anyOpenOrLogged({&runtimes}, log)) return;
    std::wstring versionText;
    runtimes.getString(L"CurrentVersion", versionText);
    if (versionText.empty()) {
        log.log(L"No CurrentVersion node found");
        return;
    }
    const JavaVersion version(versionText);
    if (version.isValid()) {
        if (version.isOlderThan(minimum)) {
            log.log(L"Version " + versionText + L" too old");
            return;
        }
        log.log(L"Found valid version " + versionText);
    } else {
        log.log(L"Found invalid version " + versionText + L", continue");
    }
    const RegistryEntry versionKey(runtimes, versionText, viewFlag);
    if (!versionKey.isOpen()) {
        log.log(L"No version node found");
        return;
    }
    std::wstring javaHome;
    getExpandedString(versionKey, L"JavaHome", javaHome);
    if (javaHome.empty()) {
        log.log(L"No JavaHome node found");
        return;
    }
    const std::wstring usualPath = javaHome + L"\\bin\\javaw.exe";
    result = isFile(usualPath) ? usualPath : findExecutableBelow(javaHome + L"\\");
    // "CurrentVersion" names the runtime; one not understood ("abc") gives the empty version.
    if (!result.empty()) foundVersion = runtimeVersion(versionText);
}

void JavaVMFinder::searchPackaged(const std::wstring& installFolder, std::wstring& result,
                                  JavaVersion& foundVersion) {
    // The names are gathered first and chosen among afterwards, so that this finder's own
    // callback has one job: finding javaw.exe.
    choosingFolder_ = true;
    FolderNameCollector collector;
    DirectoryEnumerator folders;
    folders.enumerate(installFolder, L"jre*", collector, true);
    choosingFolder_ = false;
    bestFolderName_ = chooseRuntimeFolder(collector.names);
    if (bestFolderName_.empty()) return;
    result = findExecutableBelow(installFolder + bestFolderName_ + L"\\");
    // The runtime's own folder, which may lie deeper than the "jre*" folder (jre1.4.2.3\jre).
    if (!result.empty()) foundVersion = releaseVersionIn(runtimeFolderOf(result));
}

std::wstring JavaVMFinder::findExecutableBelow(const std::wstring& folder) {
    foundExecutable_.clear();
    FileEnumerator files;
    files.enumerate(folder, L"javaw.exe", *this, true);
    return foundExecutable_;
}
