// Benchmark: the launcher's own time from its process start to the creation of the Java process,
// with a library of 300 jars in nested folders, against a baseline program that only creates the
// same process, measured alternately in the same run. Both times run from just before the
// program is started to the moment the stand-in runtime starts (it records the system time).
// Prints:
//   launcher_start_ratio: <launcher / baseline> (goal <= N) ok|MISSED
//   launcher_overhead_ms: <launcher - baseline - 50 ms splash pause> (goal <= N) ok|MISSED
// and the measured medians on lines starting with "#".
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "support/FindEntry.h"
#include "support/GrowingBuffer.h"
#include "support/UniqueResource.h"

namespace {

constexpr int kTopFolders = 6;
constexpr int kSubFolders = 5;
constexpr int kJarsPerFolder = 10;  // 6 * 5 * 10 = 300 jars
constexpr int kRounds = 7;
constexpr double kSplashPauseMs = 50.0;
// Under Wine the splash window alone (the first window of a process) costs 100 to 150 ms, about
// as much as the baseline's whole run, so the ratio cannot come near 1; the overhead is the figure
// that tells whether the launcher's own steps stay cheap.
constexpr double kRatioGoal = 5.0;
constexpr double kOverheadGoalMs = 250.0;
// The per-user folder of the benchmark, named by launch.ini so no real profile is touched; short,
// because 300 jar paths go into one command line.
const wchar_t kAppDir[] = L"C:\\brivane-bench";

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
                          const std::wstring& startedFile) {
    ::DeleteFileW(startedFile.c_str());
    for (const std::wstring& variable : variables) {
        const std::size_t equals = variable.find(L'=');
        ::SetEnvironmentVariableW(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str());
    }
    std::wstring commandLine = L"\"" + program + L"\"";
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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printFigure(const char* name, double value, const char* format, double goal) {
    char figure[32];
    std::snprintf(figure, sizeof figure, format, value);
    std::printf("%s: %s (goal <= %g) %s\n", name, figure, goal, value <= goal ? "ok" : "MISSED");
}

}  // namespace

int wmain() {
    const std::wstring bin = folderOfThisProgram();
    const std::wstring install = currentFolder() + L"\\launcher-bench";
    deleteTree(install);
    deleteTree(kAppDir);
    ::CreateDirectoryW(install.c_str(), nullptr);
    ::CreateDirectoryW((install + L"\\lib").c_str(), nullptr);
    for (int top = 0; top < kTopFolders; ++top) {
        const std::wstring topFolder = install + L"\\lib\\m" + std::to_wstring(top);
        ::CreateDirectoryW(topFolder.c_str(), nullptr);
        for (int sub = 0; sub < kSubFolders; ++sub) {
            const std::wstring folder = topFolder + L"\\p" + std::to_wstring(sub);
            ::CreateDirectoryW(folder.c_str(), nullptr);
            for (int jar = 0; jar < kJarsPerFolder; ++jar) {
                writeFile(folder + L"\\j" + std::to_wstring(jar) + L".jar", "PK benchmark jar");
            }
        }
    }
    ::CreateDirectoryW((install + L"\\jre").c_str(), nullptr);
    ::CreateDirectoryW((install + L"\\jre\\bin").c_str(), nullptr);
    const std::wstring launcher = install + L"\\tavrel-brivane.exe";
    if (!::CopyFileW((bin + L"tavrel-brivane.exe").c_str(), launcher.c_str(), FALSE) ||
        !::CopyFileW((bin + L"tools\\javaw.exe").c_str(), (install + L"\\jre\\bin\\javaw.exe").c_str(), FALSE)) {
        std::fprintf(stderr, "launcher or stand-in runtime not built next to the benchmark\n");
        return 1;
    }
    ::CreateDirectoryW(kAppDir, nullptr);
    writeFile(install + L"\\launch.ini", "appDir=C:\\brivane-bench\r\n");

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
    printFigure("launcher_start_ratio", launcherMedian / baselineMedian, "%.2f", kRatioGoal);
    printFigure("launcher_overhead_ms", launcherMedian - baselineMedian - kSplashPauseMs, "%.0f", kOverheadGoalMs);

    deleteTree(install);
    deleteTree(kAppDir);
    return 0;
}
