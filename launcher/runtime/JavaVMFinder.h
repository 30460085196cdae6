#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "support/FileEnumeratorCallback.h"

class FileDescription;
class JavaVersion;
class LogfileWriter;

// Finds a javaw.exe: the runtime registered in the 64-bit registry view, then the one in the
// 32-bit view, then the packaged "jre*" folder of the installation with the greatest name, then
// the runtimes of Java 9 and later, which register under "JavaSoft\JRE" and "JavaSoft\JDK", then
// the registrations of kRuntimeRegistrations (RuntimeRegistrations.h), below HKEY_LOCAL_MACHINE
// and HKEY_CURRENT_USER alike, and last JAVA_HOME.
class JavaVMFinder : public FileEnumeratorCallback {
public:
    ~JavaVMFinder() override = default;
    void onEntry(FileDescription& description) override;

    // installFolder ends with a backslash. result receives the full javaw.exe path, or stays
    // empty. Logs every dead end; throws only what the log writer throws.
    void findJavaVM(const std::wstring& installFolder, const JavaVersion& minimum,
                    std::wstring& result, LogfileWriter& log);
    // The same search, with the same log; foundVersion also receives the version of the runtime
    // found, in the form JavaVersion reads: from the registry's version name, or from the
    // JAVA_VERSION of the "release" file of a packaged runtime or of JAVA_HOME. It is the empty
    // version (text "", number 0) when that is not known or nothing was found.
    void findJavaVM(const std::wstring& installFolder, const JavaVersion& minimum,
                    std::wstring& result, JavaVersion& foundVersion, LogfileWriter& log);

private:
    // key: below HKEY_LOCAL_MACHINE, laid out as "CurrentVersion" and a sub-key per version.
    void searchRegistry(const std::wstring& key, const JavaVersion& minimum, REGSAM viewFlag, std::wstring& result,
                        JavaVersion& foundVersion, LogfileWriter& log);
    void searchPackaged(const std::wstring& installFolder, std::wstring& result, JavaVersion& foundVersion);
    // The first javaw.exe below folder (ending with a backslash); empty when there is none.
    std::wstring findExecutableBelow(const std::wstring& folder);

    // The name that chooseRuntimeFolder picked in the last packaged search.
    std::wstring bestFolderName_;
    // True while a DirectoryEnumerator lists "jre*" folders (for a collector, not for onEntry).
    bool choosingFolder_ = false;
    std::wstring foundExecutable_;
};

// Whether a packaged runtime folder named candidate beats the best one so far: ordinal over the
// UTF-16 units, so "jre1.8.0_31" beats "jre1.8.0_201".
bool isBetterRuntimeFolder(const std::wstring& best, const std::wstring& candidate);

// The packaged runtime folder to use among the "jre*" names found at any depth: the greatest by
// isBetterRuntimeFolder, the first of equal names; empty when there is none. Never throws.
std::wstring chooseRuntimeFolder(const std::vector<std::wstring>& names);
