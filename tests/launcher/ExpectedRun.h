#pragma once

#include <string>
#include <vector>

#include "tests/launcher/LauncherScenario.h"

// What a launcher run is expected to log and hand over, and the checks the launcher's end-to-end
// tests share beside it.
namespace launchertest {

// The folders' property form: letters and digits stay, every other UTF-8 byte is %XX.
std::wstring percentEncoded(const std::wstring& text);
// The version, platform and folder properties of a run, as the launcher composes them.
std::wstring folderProperties(const std::wstring& appDir, const std::wstring& installDir, const std::wstring& dataDir);
std::vector<std::string> utf8Lines(const std::vector<std::wstring>& lines);

struct ExpectedRun {
    std::wstring appDir = defaultAppDir();
    std::wstring installDir;
    std::wstring dataDir = defaultDataDir();
    std::vector<std::wstring> libraryLines;
    std::vector<std::wstring> searchLines = {L"Searching preinstalled 64 bit Java VM", L"No registry entry found",
                                             L"Searching preinstalled 32 bit Java VM", L"No registry entry found",
                                             L"Searching packaged Java VM"};
    std::wstring javaPath;
    std::vector<std::wstring> recoveryLines;
    std::wstring classpath;
    std::wstring proxyProperties = L" \"-Dlaunch.proxyEnabled=false\"";
    std::wstring additionalOptions;
    // The class-data archive's line: the stand-in runtimes have no release file.
    std::wstring archiveLine = L"Class data archive: no option (runtime version unknown)";
    // The archive options that stand before additionalOptions on the command line.
    std::wstring archiveOptions;
    // What the launcher says about assembling an archive once the runtime is ready.
    std::vector<std::wstring> assemblyLines;
    // The manifest jar that carries the class path, when the command line names it instead.
    std::wstring manifestJar;

    std::wstring libDir() const { return appDir + L"\\lib"; }
    std::wstring stagingDir() const { return libDir() + L"_tmp"; }
    // The first start's copy of the installation's libraries into the per-user folder: made under
    // the temporary name and renamed once complete.
    std::vector<std::wstring> seedingLines() const {
        return {L"Creating directory " + stagingDir(), L"Copy directory " + installDir + L"\\lib to " + stagingDir(),
                L"Renaming " + stagingDir() + L" to " + libDir()};
    }
    // A staged copy of the sources replacing the library folder.
    std::vector<std::wstring> replacingLines(const std::vector<std::wstring>& sources) const {
        std::vector<std::wstring> lines = {L"Creating directory " + stagingDir()};
        for (const std::wstring& source : sources) lines.push_back(L"Copy directory " + source + L" to " + stagingDir());
        lines.insert(lines.end(), {L"Renaming " + libDir() + L" to " + libDir() + L"_discard",
                                   L"Renaming " + stagingDir() + L" to " + libDir(),
                                   L"Deleting folder " + libDir() + L"_discard"});
        return lines;
    }
    std::wstring propertyOptions() const {
        return folderProperties(appDir, installDir, dataDir) + proxyProperties;
    }
    std::wstring commandLine() const {
        return L"\"" + javaPath + L"\" -classpath \"" + (manifestJar.empty() ? classpath : manifestJar) + L"\" " +
               propertyOptions() +
               (archiveOptions.empty() ? L"" : L" " + archiveOptions) +
               (additionalOptions.empty() ? L"" : L" " + additionalOptions) + L" a.a \"" + appDir + L"\" \"" +
               installDir + L"\" \"" + dataDir + L"\"";
    }
    std::vector<std::wstring> head() const {
        std::vector<std::wstring> lines = {L"Launcher initialized, version 2", L"AppDir=" + appDir,
                                           L"DataDir=" + dataDir, L"InstallLibDir=" + installDir + L"\\lib",
                                           L"LibDir=" + libDir()};
        lines.insert(lines.end(), libraryLines.begin(), libraryLines.end());
        lines.push_back(L"Searching Java VM");
        lines.insert(lines.end(), searchLines.begin(), searchLines.end());
        return lines;
    }
    std::vector<std::string> log() const {
        std::vector<std::wstring> lines = head();
        lines.push_back(L"VM found at " + javaPath);
        lines.push_back(L"Creating classpath from folder " + libDir());
        lines.insert(lines.end(), recoveryLines.begin(), recoveryLines.end());
        lines.insert(lines.end(), {L"Classpath created:" + classpath, L"Reading network configuration from registry",
                                   L"Property options created:" + propertyOptions(), archiveLine,
                                   L"Additional options created:" + additionalOptions});
        if (!manifestJar.empty()) lines.push_back(L"Classpath handed over in manifest jar " + manifestJar);
        lines.insert(lines.end(), {L"Starting Java VM with command line:", commandLine(),
                                   L"Java VM Process created successfully"});
        lines.insert(lines.end(), assemblyLines.begin(), assemblyLines.end());
        lines.push_back(L"Launcher terminates successfully");
        return utf8Lines(lines);
    }
    // A run that ends in the report text after the given lines.
    static std::vector<std::string> failedLog(std::vector<std::wstring> lines, const std::wstring& text) {
        lines.insert(lines.end(), {L"Exception occured:", text, L"Launcher terminates with exception"});
        return utf8Lines(lines);
    }
};

std::vector<std::string> logOf(const std::wstring& appDir);

extern const std::wstring kInstallationHint;
extern const std::wstring kResourceHint;
extern const std::wstring kInUseHint;

std::wstring englishReport(const std::wstring& message, const std::wstring& hint);

// Holds or lets go on every thread of a running program, so that a test stops the launcher at a
// point it has seen (a copy under way) instead of relying on timing.
void setProcessSuspended(unsigned long processId, bool suspended);
// An installation whose library takes a while to copy: count jars of 64 KB each.
std::vector<std::wstring> addLargeLibrary(const Installation& installation, int count);
std::vector<std::wstring> splitAt(const std::wstring& text, wchar_t separator);
// The jar names of a recorded command line's class path, sorted.
std::vector<std::wstring> classpathJars(const std::wstring& commandLine, const std::wstring& libDir);
// Stops the launcher once the first jar of its copy is in the staging folder. False when the copy
// was not seen.
bool suspendedDuringTheCopy(unsigned long processId, const std::wstring& firstStagedJar);
// The search lines up to the vendors' registrations on a machine without JavaSoft keys.
std::vector<std::wstring> javaSoftDeadEnds(const ExpectedRun& run);

}  // namespace launchertest
