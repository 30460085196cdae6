#include "launcher/JavaVMFinder.h"

#include <vector>

#include "launcher/JavaVersion.h"
#include "support/DirectoryEnumerator.h"
#include "support/FileDescription.h"
#include "support/FileEnumerator.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/RegistryEntry.h"

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
    foundExecutable_ = description.fullPath();
    description.stopRequested = true;
}

void JavaVMFinder::findJavaVM(const std::wstring& installFolder, const JavaVersion& minimum,
                              std::wstring& result, LogfileWriter& log) {
    result.clear();
    for (const RegistryView& view : kViews) {
        log.log(std::wstring(L"Searching preinstalled ") + view.bits + L" bit Java VM");
        searchRegistry(kRuntimeKey, minimum, view.flag, result, log);
        if (!result.empty()) return;
    }
    log.log(L"Searching packaged Java VM");
    searchPackaged(installFolder, result);
    // The current runtimes come last, so that a machine which starts an older registered or a
    // packaged runtime today keeps starting that one, with the same log.
    for (const wchar_t* kind : kCurrentRuntimeKinds) {
        for (const RegistryView& view : kViews) {
            if (!result.empty()) return;
            log.log(std::wstring(L"Searching preinstalled ") + view.bits + L" bit Java VM (JavaSoft\\" + kind + L")");
            searchRegistry(std::wstring(L"SOFTWARE\\JavaSoft\\") + kind, minimum, view.flag, result, log);
        }
    }
}

void JavaVMFinder::searchRegistry(const std::wstring& key, const JavaVersion& minimum, REGSAM viewFlag,
                                  std::wstring& result, LogfileWriter& log) {
    const RegistryEntry runtimes(HKEY_LOCAL_MACHINE, key, viewFlag);
    if (!runtimes.isOpen()) {
        log.log(L"No registry entry found");
        return;
    }
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
    versionKey.getString(L"JavaHome", javaHome);
    if (javaHome.empty()) {
        log.log(L"No JavaHome node found");
        return;
    }
    const std::wstring usualPath = javaHome + L"\\bin\\javaw.exe";
    if (isFile(usualPath)) {
        result = usualPath;
        return;
    }
    result = findExecutableBelow(javaHome + L"\\");
}

void JavaVMFinder::searchPackaged(const std::wstring& installFolder, std::wstring& result) {
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
}

std::wstring JavaVMFinder::findExecutableBelow(const std::wstring& folder) {
    foundExecutable_.clear();
    FileEnumerator files;
    files.enumerate(folder, L"javaw.exe", *this, true);
    return foundExecutable_;
}
