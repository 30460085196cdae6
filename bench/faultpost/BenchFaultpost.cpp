// Composes the error report the way faultpost does over the logs of long use, created in the
// temporary folder and removed afterwards: 5,000 launcher logs of 3 KB, and one log of 300 MB of
// a client stuck in a logging loop. Each is measured in a process of its own, so that one
// scenario's peak working set does not carry over into the other's. Prints per scenario the mail
// body's size, the peak working set after the hand-over to the ANSI code page, and the
// composition's time against a plain read of the same files, one line per figure:
//   <name>: <figure> (goal <op> <value>) ok|MISSED
// and what was measured on lines starting with "#".
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include "bench/BenchClock.h"
#include "bench/faultpost/LauncherLogs.h"
#include "faultpost/LogSection.h"
#include "faultpost/Report.h"
#include "faultpost/ReportLimit.h"
#include "support/IOException.h"
#include "support/ProfileNames.h"
#include "support/StringWriter.h"
#include "support/ToAnsiConverter.h"
#include "support/UniqueResource.h"

namespace {

using bench::seconds;

constexpr int kRounds = 3;
constexpr std::size_t kReadBlock = 64 * 1024;
// The composition reads at most the report's worth of the logs, so it may cost up to this many
// plain reads of all of them (the goal of the full-read composition before the limit).
constexpr double kTimeRatioGoal = 8.0;
constexpr double kReportGoalMb = 8.0;
constexpr double kPeakGoalMb = 64.0;
constexpr double kMegabyte = 1000.0 * 1000.0;

struct Scenario {
    const char* name;      // figure prefix and command-line argument
    const char* what;      // for the "#" line
    int files;
    std::size_t fileBytes;
};

const Scenario kScenarios[] = {
    {"faultpost_5000_logs", "5,000 launcher logs of 3 KB", 5000, 3000},
    {"faultpost_300mb_log", "one log of 300 MB", 1, 300 * 1000 * 1000},
};

PROCESS_MEMORY_COUNTERS memoryCounters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        throw std::runtime_error("GetProcessMemoryInfo failed");
    }
    return counters;
}

// The scratch tree root\TavrelBank\brivane\logs\ with the generated logs; the fallbacks do not
// exist (the profile holds files, so they are never searched anyway).
struct ScratchLogs {
    std::vector<std::wstring> folders;  // created, parents first
    std::vector<std::wstring> files;
    long long bytes = 0;
    LogFolders logFolders;

    ~ScratchLogs() {
        for (const std::wstring& file : files) ::DeleteFileW(file.c_str());
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) ::RemoveDirectoryW(folder->c_str());
    }

    void makeFolder(const std::wstring& folder) {
        if (!::CreateDirectoryW(folder.c_str(), nullptr)) throw std::runtime_error("cannot create a scratch folder");
        folders.push_back(folder);
    }
};

void append(const UniqueCrtFile& file, const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        throw std::runtime_error("cannot write a log file in the temporary folder");
    }
}

// A log of exactly size bytes, written in pieces of at most 4 MB so that making a 300 MB log
// does not raise the peak that the composition is measured by.
void writeLog(const std::wstring& path, std::size_t size, unsigned seed) {
    constexpr std::size_t kPiece = 4 * 1000 * 1000;
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
    if (!file) throw std::runtime_error("cannot create a log file in the temporary folder");
    for (std::size_t written = 0; written < size;) {
        const std::size_t piece = std::min(kPiece, size - written);
        append(file, benchfaultpost::launcherLog(piece, seed++, static_cast<int>(written / 60 % 80000)));
        written += piece;
    }
}

void createLogs(const Scenario& scenario, ScratchLogs& logs) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root = std::wstring(temp, length) + L"bench_faultpost_" + std::to_wstring(::GetCurrentProcessId());
    logs.makeFolder(root);
    logs.makeFolder(root + L"\\TavrelBank");
    logs.makeFolder(root + L"\\TavrelBank\\" + kProfileNames[0]);
    const std::wstring folder = root + L"\\TavrelBank\\" + kProfileNames[0] + L"\\logs\\";
    logs.makeFolder(folder.substr(0, folder.size() - 1));
    logs.logFolders.profiles.push_back(folder);
    logs.logFolders.fallbacks = {root + L"\\cwd\\logs\\", root + L"\\logs\\"};
    for (int i = 0; i < scenario.files; ++i) {
        // The launcher's names, one per start; a single log is the client's own.
        wchar_t name[64];
        if (scenario.files == 1) {
            std::swprintf(name, 64, L"client.log");
        } else {
            std::swprintf(name, 64, L"kvl_2018_%02d_%02d_%06d.launch.log", 1 + i / 500, 1 + i / 20 % 25, i);
        }
        logs.files.push_back(folder + name);  // deleted even when writing fails half-way
        writeLog(logs.files.back(), scenario.fileBytes, static_cast<unsigned>(i) + 1);
        logs.bytes += static_cast<long long>(scenario.fileBytes);
    }
}

// The baseline: every byte of every file read with fread in 64 KB blocks into one reused buffer.
double plainRead(const std::vector<std::wstring>& paths, long long expectedBytes) {
    std::vector<char> buffer(kReadBlock);
    const double start = seconds();
    long long total = 0;
    for (const std::wstring& path : paths) {
        const UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
        if (!file) throw std::runtime_error("cannot open a log file");
        for (std::size_t count; (count = std::fread(buffer.data(), 1, kReadBlock, file.get())) > 0;) {
            total += static_cast<long long>(count);
        }
    }
    const double elapsed = seconds() - start;
    if (total != expectedBytes) throw std::runtime_error("the plain loop read a different number of bytes");
    return elapsed;
}

void printGoal(const std::string& name, double figure, double goal) {
    std::printf("%s: %.2f (goal <= %g) %s\n", name.c_str(), figure, goal, figure <= goal ? "ok" : "MISSED");
}

void runScenario(const Scenario& scenario) {
    ScratchLogs logs;
    createLogs(scenario, logs);
    std::printf("# %s: %s, %lld bytes\n", scenario.name, scenario.what, logs.bytes);

    // Memory first: the peak counts from the process's start, and nothing big was held before.
    const PROCESS_MEMORY_COUNTERS before = memoryCounters();
    int mailBytes = 0;
    PROCESS_MEMORY_COUNTERS handedOver;
    {
        StringWriter report;
        composeReportText(report, logs.logFolders);
        ToAnsiConverter handOver;
        handOver.convert(report.text());
        handedOver = memoryCounters();
        mailBytes = handOver.length();
        if (report.length() > kReportLimitUnits || report.length() < kReportLimitUnits / 2) {
            throw std::runtime_error("the report does not fill its room within the limit");
        }
        std::printf("# %s: report %d units, mail body %d bytes\n", scenario.name, report.length(), mailBytes);
    }

    // Alternating rounds, best of each, so that a busy moment of the machine hits both sides.
    double bestRead = 1e9;
    double bestCompose = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        bestRead = std::min(bestRead, plainRead(logs.files, logs.bytes));
        const double start = seconds();
        {
            StringWriter report;
            composeReportText(report, logs.logFolders);
        }
        bestCompose = std::min(bestCompose, seconds() - start);
    }
    std::printf("# %s: best of %d: plain read %.3f s, compose %.3f s; working set before composing %.1f MB\n",
                scenario.name, kRounds, bestRead, bestCompose, static_cast<double>(before.WorkingSetSize) / kMegabyte);

    const std::string prefix = scenario.name;
    printGoal(prefix + "_report_mb", mailBytes / kMegabyte, kReportGoalMb);
    printGoal(prefix + "_peak_mb", static_cast<double>(handedOver.PeakWorkingSetSize) / kMegabyte, kPeakGoalMb);
    printGoal(prefix + "_time_ratio", bestCompose / bestRead, kTimeRatioGoal);
}

// Runs this program again for one scenario, its output going where ours goes; its exit code.
DWORD runInOwnProcess(const Scenario& scenario) {
    std::fflush(stdout);
    wchar_t program[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("cannot name this program");
    const std::string name = scenario.name;
    std::wstring commandLine = L"\"" + std::wstring(program, length) + L"\" " + std::wstring(name.begin(), name.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdOutput, startup.hStdError}) {
        ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    PROCESS_INFORMATION information{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &information)) {
        throw std::runtime_error("cannot start a scenario's process");
    }
    const UniqueProcessInformation running{UniqueHandle(information.hProcess), UniqueHandle(information.hThread)};
    ::WaitForSingleObject(running.process.get(), INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(running.process.get(), &exitCode);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2) {
            for (const Scenario& scenario : kScenarios) {
                if (std::strcmp(argv[1], scenario.name) == 0) {
                    runScenario(scenario);
                    return 0;
                }
            }
            throw std::runtime_error("no such scenario");
        }
        int failed = 0;
        for (const Scenario& scenario : kScenarios) {
            if (runInOwnProcess(scenario) != 0) failed = 1;
        }
        return failed;
    } catch (const IOException& e) {
        std::printf("benchmark failed: %ls\n", e.englishMessage.c_str());
    } catch (const std::exception& e) {
        std::printf("benchmark failed: %s\n", e.what());
    }
    return 1;
}
