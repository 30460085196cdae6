// Benchmark: the launcher's own time from its process start to the creation of the Java process,
// with a library of 300 jars in nested folders, against a baseline program that only creates the
// same process, measured alternately in the same run. Both times run from just before the
// program is started to the moment the stand-in runtime starts (it records the system time).
// Prints:
//   launcher_start_ratio: <launcher / baseline> (goal <= N) ok|MISSED
//   launcher_overhead_ms: <launcher - baseline - 50 ms splash pause> (goal <= N) ok|MISSED
// and the measured medians on lines starting with "#". Besides, where the time goes: the same
// steps, through the launcher's own functions, run stage by stage in a fresh process of this
// program per round (a process's first window costs the most), each stage timed from the
// system clock, printed as "breakdown <stage>: <ms> ms (<share> %)". Then the same stage run for
// a client of 450 jars with long names, whose class path reaches the runtime through the
// manifest jar: what the jar adds to a start, against that start's class path stage, once with
// the jar written anew in every round and once with the jar of the round before in place:
//   launcher_manifest_jar_share: <jar stage / class path stage> (goal <= N) ok|MISSED
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "launcher/JavaProcess.h"
#include "launcher/LaunchSettings.h"
#include "launcher/SplashWindow.h"
#include "launcher/commandline/JavaCommandLine.h"
#include "launcher/commandline/ProxySettings.h"
#include "launcher/commandline/StartCommandLine.h"
#include "launcher/library/LibraryFolders.h"
#include "launcher/library/LibraryLock.h"
#include "launcher/runtime/JavaVMFinder.h"
#include "launcher/runtime/JavaVersion.h"
#include "support/DateTimeFormatter.h"
#include "support/FindEntry.h"
#include "support/FirstLine.h"
#include "support/FolderOperations.h"
#include "support/GrowingBuffer.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/MessageQueue.h"
#include "support/PathProvider.h"
#include "support/URLEncoder.h"
#include "support/UniqueResource.h"

namespace {

constexpr int kTopFolders = 6;
constexpr int kSubFolders = 5;
constexpr int kJarsPerFolder = 10;  // 6 * 5 * 10 = 300 jars
constexpr int kRounds = 7;
constexpr double kSplashPauseMs = 50.0;
// Under Wine the splash window alone (the first window of a process) costs 60 to 150 ms, about
// as much as the baseline's whole run, so the ratio cannot come near 1; the launcher's own work
// (the stages of the breakdown but the pause, the program start and the process creation) is the
// figure that tells whether its own steps stay cheap.
constexpr double kRatioGoal = 2.5;
constexpr double kOverheadGoalMs = 250.0;
// The launcher's own stages (splash, folders and log, library, runtime search, class path,
// command line), without the pause, the process creations and the program's own start.
constexpr double kOwnWorkGoalMs = 50.0;
// The per-user folder of the benchmark, named by launch.ini so no real profile is touched; short,
// because 300 jar paths go into one command line.
const wchar_t kAppDir[] = L"C:\\brivane-bench";
// The client of 450 jars with long names (9 folders of 50), in a per-user folder of its own.
constexpr int kLargeClientFolders = 9;
constexpr int kLargeClientJarsPerFolder = 50;
const wchar_t kLargeClientAppDir[] = L"C:\\brivane-bench-450";
const wchar_t kLargeClientJarName[] = L"tavrel-client-library-module-with-a-descriptive-name-";
// Writing the jar and the second composition of the command line, against walking 450 jars.
constexpr double kManifestJarShareGoal = 0.5;

std::wstring folderOfThisProgram() {
    const std::wstring text = callWithGrowingBuffer([](wchar_t* buffer, unsigned long capacity) {
        return ::GetModuleFileNameW(nullptr, buffer, capacity);
    });
    return text.substr(0, text.find_last_of(L'\\') + 1);
}

std::wstring currentFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, path);
    return path;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string readFile(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string bytes;
    char buffer[8192];
    DWORD count = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) bytes.append(buffer, count);
    return bytes;
}

void deleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    {
        // Closed before the folder itself is removed, which the open search would keep in use.
        const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
        if (search) {
            do {
                if (isSelfOrParent(entry)) continue;
                const std::wstring name = entry.cFileName;
                const std::wstring path = folder + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) deleteTree(path);
                else ::DeleteFileW(path.c_str());
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    ::RemoveDirectoryW(folder.c_str());
}

// The two searches per folder that the class path's order takes ("*" for the subfolders, then
// "*.jar"), written by hand: what the class path stage costs the system alone. Returns the jars.
int twoSearchWalk(const std::wstring& folder) {
    int jars = 0;
    WIN32_FIND_DATAW entry;
    {
        const UniqueFindHandle search(::FindFirstFileW((folder + L"*").c_str(), &entry));
        if (search) {
            do {
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isSelfOrParent(entry)) {
                    jars += twoSearchWalk(folder + entry.cFileName + L"\\");
                }
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    const UniqueFindHandle search(::FindFirstFileW((folder + L"*.jar").c_str(), &entry));
    if (search) {
        do ++jars;
        while (::FindNextFileW(search.get(), &entry));
    }
    return jars;
}

unsigned long long systemTicks() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Starts a program with the given variables added, waits until the stand-in runtime has recorded
// its start, and returns the time in between in milliseconds (negative when it never started).
// Waits for the program to end: the launcher stays about three seconds after the runtime's start,
// so two launchers never share the second that names their log file.
double timeToRuntimeStart(const std::wstring& program, const std::vector<std::wstring>& variables,
                          const std::wstring& startedFile, const std::wstring& arguments = std::wstring()) {
    ::DeleteFileW(startedFile.c_str());
    for (const std::wstring& variable : variables) {
        const std::size_t equals = variable.find(L'=');
        ::SetEnvironmentVariableW(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str());
    }
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information{};
    const unsigned long long started = systemTicks();
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &information)) {
        return -1;
    }
    {
        const UniqueProcessInformation running{UniqueHandle(information.hProcess), UniqueHandle(information.hThread)};
        ::WaitForSingleObject(running.process.get(), 30000);
    }
    std::string recorded;
    for (int attempt = 0; attempt < 500 && (recorded = readFile(startedFile)).empty(); ++attempt) ::Sleep(10);
    if (recorded.empty()) return -1;
    return static_cast<double>(std::stoull(recorded) - started) / 10000.0;
}

// The stages of the launcher's start, in order; the last one ends when the stand-in runtime
// records its start.
const char* const kStageNames[] = {"process start to entry point",
                                   "splash shown",
                                   "50 ms splash pause",
                                   "folders and log opened",
                                   "library maintenance",
                                   "runtime search",
                                   "class path",
                                   "properties and options",
                                   "command line (and manifest jar)",
                                   "CreateProcessW to the runtime's start"};
constexpr int kStageCount = sizeof kStageNames / sizeof kStageNames[0];

unsigned long long creationTicks() {
    FILETIME creation, exit, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    return (static_cast<unsigned long long>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

// The launcher's steps as its run takes them, through the same functions, with the system time
// noted after each stage; the marks go to resultFile as one decimal number a line. This program
// carries the launcher's icon, splash picture and manifest.
int runStages(const std::wstring& launcher, const std::wstring& resultFile) {
    std::vector<unsigned long long> marks = {creationTicks(), systemTicks()};
    try {
        setModuleInstance(::GetModuleHandleW(nullptr));
        showSplashWindow(L"Tavrel Bank brivane", 101, 102);
        drainMessages();
        marks.push_back(systemTicks());
        ::Sleep(50);
        drainMessages();
        marks.push_back(systemTicks());

        const std::wstring installFolder = programFolder(launcher);
        const std::wstring installDir = installFolder.substr(0, installFolder.size() - 1);
        const std::wstring launchIniLine = readFirstLine(installDir + L"\\launch.ini");
        const PathProvider pathProvider(L"brivane");
        std::wstring appDirFolder;
        if (!appDirFolderFromLaunchIniLine(launchIniLine, installFolder, appDirFolder)) {
            appDirFolder = pathProvider.getDataFolder(PathProvider::Creation::CreateMissing);
        }
        const std::wstring appDir = appDirFolder.substr(0, appDirFolder.size() - 1);
        const std::wstring documents = pathProvider.getDocumentsFolder();
        const std::wstring dataDir = documents.substr(0, documents.size() - 1);
        const std::wstring installLibDir = installFolder + L"lib";
        const std::wstring libDir = appDirFolder + L"lib";
        const std::wstring logsFolder = appDirFolder + L"logs";
        if (!isDirectory(logsFolder)) createFolder(logsFolder);
        std::wstring timeStamp;
        DateTimeFormatter(L"yyyy_MM_dd_", L"HHmmss").format(timeStamp);
        LogfileWriter log(logsFolder + L"\\kvl_" + timeStamp + L".launch.log");
        if (log.isInUse()) return 1;
        log.log(L"Launcher initialized, version 2");
        log.log(L"AppDir=" + appDir);
        log.log(L"DataDir=" + dataDir);
        log.log(L"InstallLibDir=" + installLibDir);
        log.log(L"LibDir=" + libDir);
        marks.push_back(systemTicks());

        LibraryLock libraryLock(appDirFolder, log);
        maintainLibraryFolder(appDirFolder, installLibDir, libDir, log);
        marks.push_back(systemTicks());

        JavaVMFinder finder;
        const JavaVersion minimumVersion(L"1.8");
        log.log(L"Searching Java VM");
        std::wstring javaPath;
        finder.findJavaVM(installFolder, minimumVersion, javaPath, log);
        if (javaPath.empty()) return 1;
        log.log(L"VM found at " + javaPath);
        marks.push_back(systemTicks());

        const std::wstring classpath = createClasspathWithRecovery(installLibDir, libDir, log);
        libraryLock.release();
        marks.push_back(systemTicks());

        std::wstring propertyOptions;
        appendLaunchProperty(L"version", L"2", propertyOptions);
        appendLaunchProperty(L"platform", L"Windows", propertyOptions);
        URLEncoder encoder;
        std::wstring encoded;
        appendLaunchProperty(L"appDir", encoder.encode(encoded, appDir), propertyOptions);
        appendLaunchProperty(L"installDir", encoder.encode(encoded, installDir), propertyOptions);
        appendLaunchProperty(L"dataDir", encoder.encode(encoded, dataDir), propertyOptions);
        log.log(L"Reading network configuration from registry");
        appendInternetSettingsProperties(propertyOptions);
        log.log(L"Property options created:" + propertyOptions);
        const std::wstring additionalOptions = readFirstLine(libDir + L"\\win.vmoptions");
        log.log(L"Additional options created:" + additionalOptions);
        marks.push_back(systemTicks());
        const std::wstring commandLine = composeStartCommandLine(
            {javaPath, classpath, propertyOptions, additionalOptions, appDir, installDir, dataDir}, libDir,
            appDirFolder, log);
        const std::wstring hotspot = installFolder + L"jre1.4.2.3\\jre\\bin\\hotspot";
        const std::wstring client = installFolder + L"jre1.4.2.3\\jre\\bin\\client";
        if (isDirectory(hotspot) && !isDirectory(client)) return 1;  // the benchmark's has no old runtime
        log.log(L"Starting Java VM with command line:");
        log.log(commandLine);
        marks.push_back(systemTicks());
        startJavaProcess(commandLine, log);
        log.log(L"Launcher terminates successfully");
    } catch (const IOException& e) {
        std::fprintf(stderr, "stage run failed: %ls\n", e.englishMessage.c_str());
        return 1;
    }
    std::string text;
    for (const unsigned long long mark : marks) text += std::to_string(mark) + "\n";
    writeFile(resultFile, text);
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The splash stage split in two: a hidden window of the same class made and destroyed first (the
// first window of a process loads the display driver), then the splash as the launcher shows it.
// Writes both times in 100 ns units to resultFile.
int runSplashStages(const std::wstring& resultFile) {
    setModuleInstance(::GetModuleHandleW(nullptr));
    const unsigned long long start = systemTicks();
    ::DestroyWindow(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr));
    const unsigned long long firstWindow = systemTicks();
    try {
        showSplashWindow(L"Tavrel Bank brivane", 101, 102);
    } catch (const IOException&) {
        return 1;
    }
    drainMessages();
    const unsigned long long splash = systemTicks();
    writeFile(resultFile, std::to_string(firstWindow - start) + "\n" + std::to_string(splash - firstWindow) + "\n");
    return 0;
}

// The class path stage's floor: the per-user library walked by hand, as the first walk of a fresh
// process like the stage's own (under Wine a later walk of the same folders in one process costs
// a half to a third). Writes the time in 100 ns units to resultFile.
int runWalkByHand(const std::wstring& resultFile) {
    const unsigned long long start = systemTicks();
    const int jars = twoSearchWalk(std::wstring(kAppDir) + L"\\lib\\");
    const unsigned long long elapsed = systemTicks() - start;
    if (jars != kTopFolders * kSubFolders * kJarsPerFolder) return 1;
    writeFile(resultFile, std::to_string(elapsed) + "\n");
    return 0;
}

// An installation with a packaged stand-in runtime and folders * jarsPerFolder jars named
// jarName + number, two levels deep, whose launch.ini names appDir. False when the launcher or
// the stand-in runtime cannot be copied.
bool prepareInstallation(const std::wstring& bin, const std::wstring& install, const std::wstring& appDir,
                         int folders, int jarsPerFolder, const std::wstring& jarName) {
    deleteTree(install);
    deleteTree(appDir);
    ::CreateDirectoryW(install.c_str(), nullptr);
    ::CreateDirectoryW((install + L"\\lib").c_str(), nullptr);
    for (int index = 0; index < folders; ++index) {
        const std::wstring topFolder = install + L"\\lib\\m" + std::to_wstring(index / kSubFolders);
        ::CreateDirectoryW(topFolder.c_str(), nullptr);
        const std::wstring folder = topFolder + L"\\p" + std::to_wstring(index % kSubFolders);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (int jar = 0; jar < jarsPerFolder; ++jar) {
            writeFile(folder + L"\\" + jarName + std::to_wstring(jar) + L".jar",
                      "PK benchmark jar");
        }
    }
    ::CreateDirectoryW((install + L"\\jre").c_str(), nullptr);
    ::CreateDirectoryW((install + L"\\jre\\bin").c_str(), nullptr);
    if (!::CopyFileW((bin + L"tavrel-brivane.exe").c_str(), (install + L"\\tavrel-brivane.exe").c_str(), FALSE) ||
        !::CopyFileW((bin + L"tools\\javaw.exe").c_str(), (install + L"\\jre\\bin\\javaw.exe").c_str(), FALSE)) {
        return false;
    }
    ::CreateDirectoryW(appDir.c_str(), nullptr);
    writeFile(install + L"\\launch.ini", "appDir=" + std::string(appDir.begin(), appDir.end()) + "\r\n");
    return true;
}

// Runs this program with the arguments and waits for its end; false when it could not be started.
bool runSelf(const std::wstring& bin, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + bin + L"bench_launcher.exe\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &information)) {
        return false;
    }
    const UniqueProcessInformation running{UniqueHandle(information.hProcess), UniqueHandle(information.hThread)};
    ::WaitForSingleObject(running.process.get(), 30000);
    return true;
}

// Runs this program kRounds times with the mode and resultFile, each writing figures times in
// 100 ns units, a line each. Returns per figure its times in milliseconds, one per round that
// succeeded; empty when none did.
std::vector<std::vector<double>> timesOfSelfRuns(const std::wstring& bin, const std::wstring& mode,
                                                 const std::wstring& resultFile, std::size_t figures) {
    std::vector<std::vector<double>> times(figures);
    for (int round = 0; round < kRounds; ++round) {
        ::DeleteFileW(resultFile.c_str());
        if (!runSelf(bin, L" " + mode + L" \"" + resultFile + L"\"")) break;
        const std::string text = readFile(resultFile);
        std::vector<double> figuresOfRound;
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            figuresOfRound.push_back(static_cast<double>(std::stoull(text.substr(start, end - start))) / 10000.0);
        }
        if (figuresOfRound.size() != figures) break;
        for (std::size_t figure = 0; figure < figures; ++figure) times[figure].push_back(figuresOfRound[figure]);
    }
    if (times[0].empty()) return {};
    return times;
}

// One round of the stage run: the time of each stage in milliseconds; empty when it failed.
std::vector<double> stageTimes(const std::wstring& bin, const std::wstring& launcher,
                               const std::vector<std::wstring>& variables, const std::wstring& startedFile,
                               const std::wstring& resultFile) {
    ::DeleteFileW(resultFile.c_str());
    const double wholeMs = timeToRuntimeStart(bin + L"bench_launcher.exe", variables, startedFile,
                                              L" --stages \"" + launcher + L"\" \"" + resultFile + L"\"");
    if (wholeMs < 0) return {};
    std::vector<unsigned long long> marks;
    const std::string text = readFile(resultFile);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        marks.push_back(std::stoull(text.substr(start, end - start)));
    }
    marks.push_back(std::stoull(readFile(startedFile)));
    if (marks.size() != kStageCount + 1) return {};
    // First the whole time as the parent sees it, then the stages.
    std::vector<double> times = {wholeMs};
    for (std::size_t i = 1; i < marks.size(); ++i) times.push_back(static_cast<double>(marks[i] - marks[i - 1]) / 10000.0);
    return times;
}

void printFigure(const char* name, double value, const char* format, double goal) {
    char figure[32];
    std::snprintf(figure, sizeof figure, format, value);
    std::printf("%s: %s (goal <= %g) %s\n", name, figure, goal, value <= goal ? "ok" : "MISSED");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"--stages") return runStages(argv[2], argv[3]);
    if (argc == 3 && std::wstring(argv[1]) == L"--splash") return runSplashStages(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"--walk") return runWalkByHand(argv[2]);
    const std::wstring bin = folderOfThisProgram();
    const std::wstring install = currentFolder() + L"\\launcher-bench";
    const std::wstring largeInstall = currentFolder() + L"\\launcher-bench-450";
    if (!prepareInstallation(bin, install, kAppDir, kTopFolders * kSubFolders, kJarsPerFolder, L"j") ||
        !prepareInstallation(bin, largeInstall, kLargeClientAppDir, kLargeClientFolders, kLargeClientJarsPerFolder,
                             kLargeClientJarName)) {
        std::fprintf(stderr, "launcher or stand-in runtime not built next to the benchmark\n");
        return 1;
    }
    const std::wstring launcher = install + L"\\tavrel-brivane.exe";

    const std::wstring startedFile = install + L"\\started.txt";
    const std::wstring recordFile = install + L"\\command-line.txt";
    const std::vector<std::wstring> runtimeVariables = {L"STANDIN_JAVAW_STARTED=" + startedFile,
                                                        L"STANDIN_JAVAW_LIFETIME_MS=300",
                                                        L"STANDIN_JAVAW_RECORD=" + recordFile};

    // The first start seeds the per-user library; the measured ones find it in place, as every
    // later start of a real installation does.
    if (timeToRuntimeStart(launcher, runtimeVariables, startedFile) < 0) {
        std::fprintf(stderr, "the launcher did not start the runtime\n");
        return 1;
    }
    const std::string recorded = readFile(recordFile);
    std::wstring javaCommandLine(recorded.size(), L'\0');
    javaCommandLine.resize(::MultiByteToWideChar(CP_UTF8, 0, recorded.data(), static_cast<int>(recorded.size()),
                                                 javaCommandLine.data(), static_cast<int>(javaCommandLine.size())));
    std::vector<std::wstring> baselineVariables = runtimeVariables;
    baselineVariables.push_back(L"LAUNCHER_BASELINE_COMMAND_LINE=" + javaCommandLine);

    std::vector<double> launcherMs;
    std::vector<double> baselineMs;
    for (int round = 0; round < kRounds; ++round) {
        launcherMs.push_back(timeToRuntimeStart(launcher, runtimeVariables, startedFile));
        baselineMs.push_back(timeToRuntimeStart(bin + L"launcher_baseline.exe", baselineVariables, startedFile));
    }
    for (const double ms : launcherMs) {
        if (ms < 0) {
            std::fprintf(stderr, "a measured start did not reach the runtime\n");
            return 1;
        }
    }
    const double launcherMedian = median(launcherMs);
    const double baselineMedian = median(baselineMs);
    std::printf("# %d jars, %d rounds: launcher %.1f ms, baseline %.1f ms (medians to the runtime's start)\n",
                kTopFolders * kSubFolders * kJarsPerFolder, kRounds, launcherMedian, baselineMedian);
    std::vector<std::vector<double>> stages(kStageCount);
    std::vector<double> stageRunMs;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<double> times =
            stageTimes(bin, launcher, runtimeVariables, startedFile, install + L"\\stages.txt");
        if (times.empty()) {
            std::fprintf(stderr, "a stage run did not reach the runtime\n");
            return 1;
        }
        stageRunMs.push_back(times[0]);
        for (int stage = 0; stage < kStageCount; ++stage) stages[stage].push_back(times[stage + 1]);
    }
    std::vector<double> stageMedians;
    double stagesTotal = 0;
    for (const std::vector<double>& times : stages) {
        stageMedians.push_back(median(times));
        stagesTotal += stageMedians.back();
    }
    for (int stage = 0; stage < kStageCount; ++stage) {
        std::printf("breakdown %s: %.1f ms (%.0f %%)\n", kStageNames[stage], stageMedians[stage],
                    100.0 * stageMedians[stage] / stagesTotal);
    }
    const std::vector<std::vector<double>> splashMs = timesOfSelfRuns(bin, L"--splash", install + L"\\splash.txt", 2);
    const std::vector<std::vector<double>> walkMs = timesOfSelfRuns(bin, L"--walk", install + L"\\walk.txt", 1);
    if (!walkMs.empty()) {
        std::printf("breakdown class path, for comparison: the same library's two searches per folder by hand, in a"
                    " fresh process, %.1f ms\n",
                    median(walkMs[0]));
    }
    if (!splashMs.empty()) {
        std::printf("breakdown splash shown, split: the process's first window (made and destroyed hidden) %.1f ms,"
                    " then the splash itself %.1f ms\n",
                    median(splashMs[0]), median(splashMs[1]));
    }
    // Everything but the pause, the process creation and the program start is the launcher's own.
    // The stage run leaves out only the wait after the runtime's start, which ends the launcher.
    const double ownMs = stagesTotal - stageMedians[0] - stageMedians[2] - stageMedians[kStageCount - 1];
    std::printf("breakdown total: %.1f ms (medians per stage, %d rounds; the stage run as a whole %.1f ms)\n",
                stagesTotal, kRounds, median(stageRunMs));
    printFigure("launcher_own_work_ms", ownMs, "%.0f", kOwnWorkGoalMs);
    printFigure("launcher_start_ratio", launcherMedian / baselineMedian, "%.2f", kRatioGoal);
    printFigure("launcher_overhead_ms", launcherMedian - baselineMedian - kSplashPauseMs, "%.0f", kOverheadGoalMs);


    // The client of 450 jars, whose class path goes through the manifest jar: the stage run with
    // the jar deleted before the round (written anew, as at the first start after a library
    // change), then with the jar of that round in place (every later start).
    const std::wstring largeLauncher = largeInstall + L"\\tavrel-brivane.exe";
    const std::wstring manifestJar = std::wstring(kLargeClientAppDir) + L"\\classpath.jar";
    if (timeToRuntimeStart(largeLauncher, runtimeVariables, startedFile) < 0 || !isFile(manifestJar)) {
        std::fprintf(stderr, "the launcher did not start the runtime of 450 jars through the manifest jar\n");
        return 1;
    }
    constexpr int kClasspathStage = 6;
    constexpr int kCommandLineStage = 8;
    std::vector<double> classpathMs, writtenJarMs, unchangedJarMs, writtenShare, unchangedShare;
    for (int round = 0; round < kRounds; ++round) {
        ::DeleteFileW(manifestJar.c_str());
        const std::vector<double> written =
            stageTimes(bin, largeLauncher, runtimeVariables, startedFile, largeInstall + L"\\stages.txt");
        const std::vector<double> unchanged =
            stageTimes(bin, largeLauncher, runtimeVariables, startedFile, largeInstall + L"\\stages.txt");
        if (written.empty() || unchanged.empty()) {
            std::fprintf(stderr, "a stage run of 450 jars did not reach the runtime\n");
            return 1;
        }
        // Each start's jar stage against that same start's class path stage.
        classpathMs.push_back(written[kClasspathStage + 1]);
        writtenJarMs.push_back(written[kCommandLineStage + 1]);
        unchangedJarMs.push_back(unchanged[kCommandLineStage + 1]);
        writtenShare.push_back(written[kCommandLineStage + 1] / written[kClasspathStage + 1]);
        unchangedShare.push_back(unchanged[kCommandLineStage + 1] / unchanged[kClasspathStage + 1]);
    }
    std::printf("breakdown 450 jars: class path %.1f ms; command line with the manifest jar written %.1f ms, with the"
                " unchanged jar in place %.1f ms (%.2f of its class path stage); %d rounds, medians\n",
                median(classpathMs), median(writtenJarMs), median(unchangedJarMs), median(unchangedShare), kRounds);
    printFigure("launcher_manifest_jar_share", median(writtenShare), "%.2f", kManifestJarShareGoal);

    deleteTree(install);
    deleteTree(kAppDir);
    deleteTree(largeInstall);
    deleteTree(kLargeClientAppDir);
    return 0;
}
