#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

// What the launcher's end-to-end tests prepare and read back: an installation below
// C:\brivane-tests\<case>\, the per-user folders, registry values set through reg.exe, the launch
// log and the command line that the stand-in runtime recorded. Texts are UTF-8; files are
// written and read with the driver's TextFiles.h and ScratchFolder.h.
namespace launchertest {

// The driver's file helpers, named here once for the scenario and the tests that use it.
using testdriver::exists;
using testdriver::fromUtf8;
using testdriver::readBytes;
using testdriver::removeTree;
using testdriver::utf8;
using testdriver::writeBytes;

// Runs reg.exe with the arguments; returns its exit code.
unsigned long reg(const std::wstring& arguments);
// Removes the Java runtime keys ("Java Runtime Environment", "JRE", "JDK" and the vendors'
// registrations) of both registry views, below HKLM and HKCU.
void clearJavaRegistry();
// Sets "CurrentVersion" (and, when javaHome is not empty, the version's "JavaHome") in one view
// ("/reg:64" or "/reg:32") of HKLM\SOFTWARE\JavaSoft\<kind>.
void registerJava(const std::wstring& view, const std::wstring& currentVersion, const std::wstring& javaHome,
                  const std::wstring& kind = L"Java Runtime Environment");

// Sets one string value of a runtime registration in one view: HKLM\SOFTWARE\<key>, value name.
void registerRuntime(const std::wstring& view, const std::wstring& key, const std::wstring& valueName,
                     const std::wstring& value);
// The same below root (L"HKLM" or L"HKCU") \SOFTWARE\<key>; expandable writes REG_EXPAND_SZ.
void registerRuntimeValue(const std::wstring& root, const std::wstring& view, const std::wstring& key,
                          const std::wstring& valueName, const std::wstring& value, bool expandable = false);
// The titles of the registrations searched after the JavaSoft keys, in the order searched; the
// log names each as "Searching preinstalled <bits> bit Java VM (<title>)".
const std::vector<std::wstring>& registrationTitles();
// What the search logs for count of them from the first one given (all by default) on a machine
// where none exists: both views of each, "No registry entry found" after each.
std::vector<std::wstring> registrationDeadEnds(std::size_t first = 0,
                                               std::size_t count = static_cast<std::size_t>(-1));

extern const wchar_t kInternetSettings[];
// Leaves the Internet settings key present without the four proxy values.
void resetInternetSettings();

std::wstring defaultAppDir();       // local application data + \TavrelBank\brivane
std::wstring defaultDataDir();      // documents + \TavrelBank

// Relative paths of every file below folder, sorted, "\"-separated.
std::vector<std::wstring> filesBelow(const std::wstring& folder);

// One prepared installation.
class Installation {
public:
    explicit Installation(const std::wstring& caseName);
    const std::wstring& folder() const { return folder_; }  // without trailing backslash
    std::wstring launcherPath() const { return folder_ + L"\\tavrel-brivane.exe"; }
    std::wstring libDir() const { return folder_ + L"\\lib"; }
    // A small jar below the installation's lib folder (relative path such as L"ext\\b.jar").
    void addJar(const std::wstring& relativePath) const;
    // A built program (by default the stand-in runtime) as <folder>\<relativeFolder>\javaw.exe
    // (e.g. L"jre\\bin").
    void addRuntime(const std::wstring& relativeFolder, const std::wstring& program = L"tools\\javaw.exe") const;
    std::wstring runtimePath(const std::wstring& relativeFolder) const {
        return folder_ + L"\\" + relativeFolder + L"\\javaw.exe";
    }

private:
    std::wstring folder_;
};

// The messages of a launch log file without their time stamps; none when logFile is "". Fails the
// test when the file is not exactly "yyyy.MM.dd HH:mm:ss " + message + CR LF lines in UTF-8
// without byte-order mark.
std::vector<std::string> logMessages(const std::wstring& logFile);
// The one launch log in a logs folder; "" (and a test failure) unless there is exactly one.
std::wstring onlyLogFile(const std::wstring& logsFolder);

// The launcher's report box text for a failure, in German or in English.
std::wstring reportText(bool german, const std::wstring& germanMessage, const std::wstring& englishMessage,
                        const std::wstring& germanHint, const std::wstring& englishHint);
// The report when no Java runtime of version 1.8 or later is found.
std::wstring noJavaReport(bool german);

struct LaunchResult {
    unsigned long exitCode = 0;
    bool dialogShown = false;
    std::wstring dialogCaption;
    std::wstring dialogText;
    std::wstring recordedCommandLine;  // "" when the stand-in runtime was not started
    bool runtimeStarted = false;
};

// Runs the installation's launcher with the given extra environment; calls duringRun (if given)
// with the launcher's process id while it runs, then answers an error box with No. Fails the
// test when it does not end within a minute.
LaunchResult launch(const Installation& installation, const std::map<std::wstring, std::wstring>& environment = {},
                    const std::wstring& currentFolder = L"",
                    const std::function<void(unsigned long processId)>& duringRun = nullptr);
// Polls every few milliseconds until condition holds; false after timeoutMs.
bool waitFor(const std::function<bool()>& condition, unsigned long timeoutMs);

std::wstring recordFile();

}  // namespace launchertest
