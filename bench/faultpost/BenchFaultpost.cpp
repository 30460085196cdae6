// Composes the error report from 20 launcher logs of 5 MB each (created in the temporary folder
// and removed afterwards) the way faultpost does, against a plain loop that reads the same bytes
// in the same run, and measures the process's peak working set while composing and after the
// hand-over conversion to the ANSI code page. Prints one line per figure:
//   <name>: <figure> (goal <op> <value>) ok|MISSED
// and what was measured on lines starting with "#".
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include "bench/faultpost/LauncherLogs.h"
#include "faultpost/LogFileSearch.h"
#include "faultpost/LogSection.h"
#include "faultpost/Report.h"
#include "support/BufferedInputStream.h"
#include "support/FileInputStream.h"
#include "support/IOException.h"
#include "support/PrintWriter.h"
#include "support/ProfileNames.h"
#include "support/StringWriter.h"
#include "support/ToAnsiConverter.h"
#include "support/UniqueResource.h"
#include "support/Utf8StreamReader.h"
#include "support/Writer.h"

namespace {

constexpr int kFileCount = 20;
constexpr std::size_t kFileBytes = 5 * 1000 * 1000;
constexpr int kRounds = 3;
constexpr std::size_t kReadBlock = 64 * 1024;
// About the floor of a report held as one wide string: filling fresh memory of its size alone
// costs 5 to 7 times the plain read.
constexpr double kTimeRatioGoal = 8.0;
constexpr double kPeakRatioGoal = 4.0;
constexpr double kMegabyte = 1000.0 * 1000.0;

// How many of the 20 files each of the four profiles holds: the launcher's own the most.
constexpr int kFilesPerProfile[] = {8, 4, 4, 4};

double seconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS memoryCounters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        throw std::runtime_error("GetProcessMemoryInfo failed");
    }
    return counters;
}

// The scratch tree: root\TavrelBank\<profile>\logs\ with the generated logs, and two fallback
// folders that do not exist (the profiles hold files, so they are never searched anyway).
struct ScratchLogs {
    std::wstring root;
    std::vector<std::wstring> folders;  // created, parents first
    std::vector<std::wstring> files;
    long long bytes = 0;
    long long units = 0;  // UTF-16 units of all file contents
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

void writeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        throw std::runtime_error("cannot write a log file in the temporary folder");
    }
}

void createLogs(ScratchLogs& logs) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    logs.root = std::wstring(temp, length) + L"bench_faultpost_" + std::to_wstring(::GetCurrentProcessId());
    logs.makeFolder(logs.root);
    logs.makeFolder(logs.root + L"\\TavrelBank");
    int fileIndex = 0;
    for (int profile = 0; profile < 4; ++profile) {
        const std::wstring profileFolder = logs.root + L"\\TavrelBank\\" + kProfileNames[profile];
        logs.makeFolder(profileFolder);
        logs.makeFolder(profileFolder + L"\\logs");
        logs.logFolders.profiles.push_back(profileFolder + L"\\logs\\");
        for (int i = 0; i < kFilesPerProfile[profile]; ++i, ++fileIndex) {
            // The launcher's names: one log per start, time-stamped.
            wchar_t name[64];
            std::swprintf(name, 64, L"kvl_2024_03_%02d_0907%02d.launch.log", 5 + fileIndex, fileIndex);
            const std::wstring path = logs.logFolders.profiles.back() + name;
            const std::string bytes = benchfaultpost::launcherLog(kFileBytes, static_cast<unsigned>(fileIndex) + 1,
                                                                   9 * 3600 + 7 * 60 + 2);
            logs.files.push_back(path);  // deleted even when writing fails half-way
            writeFile(path, bytes);
            logs.bytes += static_cast<long long>(bytes.size());
            logs.units += ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        }
    }
    if (fileIndex != kFileCount) throw std::runtime_error("the profiles do not hold the files asked for");
    logs.logFolders.fallbacks = {logs.root + L"\\cwd\\logs\\", logs.root + L"\\logs\\"};
}

// The baseline: every byte of every file read with fread in 64 KB blocks into one buffer that
// takes a whole file; the buffer is made once and reused, so the loop pays for no page faults.
double plainRead(const std::vector<std::wstring>& paths, long long expectedBytes) {
    const double start = seconds();
    long long total = 0;
    std::vector<char> buffer(kFileBytes + kReadBlock);
    for (const std::wstring& path : paths) {
        const UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
        if (!file) throw std::runtime_error("cannot open a log file");
        std::size_t filled = 0;
        for (;;) {
            if (buffer.size() - filled < kReadBlock) buffer.resize(buffer.size() + kReadBlock);
            const std::size_t count = std::fread(buffer.data() + filled, 1, kReadBlock, file.get());
            if (count == 0) break;
            filled += count;
        }
        total += static_cast<long long>(filled);
    }
    const double elapsed = seconds() - start;
    if (total != expectedBytes) throw std::runtime_error("the plain loop read a different number of bytes");
    return elapsed;
}

// Keeps nothing: what the report costs without holding it.
class DiscardingWriter : public Writer {
public:
    void write(const wchar_t*, int count) override { units += count; }
    void flush() override {}
    void close() override {}
    long long units = 0;
};

// What one layer after the other adds, each over all files; the figures are cumulative.
struct Stages {
    double cutLines = 1e9;
    double decode = 1e9;
    double intoString = 1e9;
    double printDiscarding = 1e9;
};

void measureStages(const std::vector<std::wstring>& paths, const LogFolders& folders, Stages& best) {
    long long check = 0;
    double start = seconds();
    for (const std::wstring& path : paths) {
        FileInputStream input(path);
        BufferedInputStream lines(input);
        int length = 0;
        while (lines.readLine(length)) check += length;
    }
    best.cutLines = std::min(best.cutLines, seconds() - start);

    start = seconds();
    for (const std::wstring& path : paths) {
        FileInputStream input(path);
        Utf8StreamReader reader(input);
        int length = 0;
        while (reader.readLine(length)) check += length;
    }
    best.decode = std::min(best.decode, seconds() - start);

    start = seconds();
    for (const std::wstring& path : paths) {
        FileInputStream input(path);
        Utf8StreamReader reader(input);
        std::wstring line;
        while (reader.readLine(line)) check += static_cast<long long>(line.size());
    }
    best.intoString = std::min(best.intoString, seconds() - start);

    start = seconds();
    DiscardingWriter discarding;
    PrintWriter writer(discarding);
    composeReport(writer, folders);
    best.printDiscarding = std::min(best.printDiscarding, seconds() - start);
    if (check == 0 || discarding.units == 0) throw std::runtime_error("a stage read nothing");
}

// A floor for any report held in memory: filling fresh memory of the report's size, whose pages
// the system maps on first touch, while the plain loop reuses one buffer.
double fillFreshMemory(int units) {
    const double start = seconds();
    const std::unique_ptr<wchar_t[]> fresh(new wchar_t[static_cast<std::size_t>(units)]);
    std::memset(fresh.get(), 0x20, static_cast<std::size_t>(units) * sizeof(wchar_t));
    const double elapsed = seconds() - start;
    if (fresh[units / 2] != 0x2020) throw std::runtime_error("memset filled nothing");
    return elapsed;
}

// The floor of holding the report: its lines, of the logs' average length, copied one by one into
// fresh memory of its size (a copy call per line, as any writer makes), which is then freed, as
// the report is. Reading, cutting and decoding come on top of it.
double copyLinesIntoFreshMemory(int units, int lineUnits) {
    const std::vector<wchar_t> line(static_cast<std::size_t>(lineUnits), L'x');
    // Read back through a volatile, so the compiler cannot make a single copy of the known size.
    volatile int variableLength = lineUnits;
    const std::size_t length = static_cast<std::size_t>(variableLength);
    const double start = seconds();
    {
        const std::unique_ptr<wchar_t[]> fresh(new wchar_t[static_cast<std::size_t>(units)]);
        for (std::size_t at = 0; at + length <= static_cast<std::size_t>(units); at += length) {
            std::memcpy(fresh.get() + at, line.data(), length * sizeof(wchar_t));
        }
        if (fresh[0] != L'x') throw std::runtime_error("the copy filled nothing");
    }
    return seconds() - start;
}

// The report as faultpost composes it before the hand-over.
void composeAsFaultpost(StringWriter& report, const LogFolders& folders) {
    composeReportText(report, folders);
}

// The report must hold every log: after its version line, the separator, then for each file its
// path line, its content (CR LF lines already) and the separator.
void checkReport(const StringWriter& report, const ScratchLogs& logs) {
    const std::wstring_view text(report.text(), static_cast<std::size_t>(report.length()));
    const std::size_t versionLineEnd = text.find(L"\r\n");
    if (versionLineEnd == std::wstring_view::npos) throw std::runtime_error("the report has no version line");
    long long expected = static_cast<long long>(versionLineEnd) + 2 + 12 + logs.units;
    for (const std::wstring& path : logs.files) expected += static_cast<long long>(path.size()) + 2 + 12;
    if (report.length() != expected) {
        throw std::runtime_error("the report does not hold the logs");
    }
}

void printGoal(const char* name, double figure, double goal) {
    std::printf("%s: %.2f (goal <= %g) %s\n", name, figure, goal, figure <= goal ? "ok" : "MISSED");
}

void run() {
    ScratchLogs logs;
    createLogs(logs);
    const std::vector<std::wstring> paths = findLogFiles(logs.logFolders, addLogFiles).paths;
    if (paths.size() != logs.files.size()) throw std::runtime_error("not every log file is found");
    std::printf("# logs: %d files, %lld bytes, %lld UTF-16 units\n", kFileCount, logs.bytes, logs.units);

    // Memory first, while nothing big has been allocated yet: the peak counts from process start.
    const PROCESS_MEMORY_COUNTERS before = memoryCounters();
    PROCESS_MEMORY_COUNTERS composed;
    PROCESS_MEMORY_COUNTERS handedOver;
    double handOverSeconds = 0;
    int reportUnits = 0;
    int averageLineUnits = 0;  // CR LF included
    {
        StringWriter report;
        composeAsFaultpost(report, logs.logFolders);
        composed = memoryCounters();
        ToAnsiConverter handOver;
        const double start = seconds();
        handOver.convert(report.text());
        handOverSeconds = seconds() - start;
        handedOver = memoryCounters();
        checkReport(report, logs);
        reportUnits = report.length();
        const long long lines = std::count(report.text(), report.text() + report.length(), L'\n');
        averageLineUnits = static_cast<int>(reportUnits / std::max(lines, 1LL));
        std::printf("# report %d units (%.1f MB), capacity %d units (%.1f MB); ANSI %d bytes, capacity %d,"
                    " converted in %.3f s\n",
                    report.length(), 2.0 * report.length() / kMegabyte, report.capacity(),
                    2.0 * report.capacity() / kMegabyte, handOver.length(), handOver.capacity(), handOverSeconds);
    }

    // Alternating rounds, best of each, so that a busy moment of the machine hits both sides.
    double bestRead = 1e9;
    double bestCompose = 1e9;
    double bestFill = 1e9;
    double bestLines = 1e9;
    Stages stages;
    for (int round = 0; round < kRounds; ++round) {
        bestRead = std::min(bestRead, plainRead(paths, logs.bytes));
        measureStages(paths, logs.logFolders, stages);
        const double start = seconds();
        {
            StringWriter report;
            composeAsFaultpost(report, logs.logFolders);
        }
        bestCompose = std::min(bestCompose, seconds() - start);
        bestFill = std::min(bestFill, fillFreshMemory(reportUnits));
        bestLines = std::min(bestLines, copyLinesIntoFreshMemory(reportUnits, averageLineUnits));
    }
    std::printf("# best of %d: plain read %.3f s, compose %.3f s\n", kRounds, bestRead, bestCompose);
    // Where the composition's time goes, each layer over the one before (best of the rounds, so
    // a step can come out slightly negative on a busy machine).
    const struct {
        const char* name;
        double seconds;
    } kLayers[] = {{"plain read", bestRead},
                   {"cut lines", stages.cutLines - bestRead},
                   {"UTF-8 decoding", stages.decode - stages.cutLines},
                   {"report lines through PrintWriter, kept nowhere", stages.printDiscarding - stages.decode},
                   {"held in the StringWriter", bestCompose - stages.printDiscarding}};
    for (const auto& layer : kLayers) {
        std::printf("breakdown faultpost %s: %.3f s (%.0f %%)\n", layer.name, layer.seconds,
                    100.0 * layer.seconds / bestCompose);
    }
    std::printf("breakdown faultpost, for comparison: filling fresh memory of the report's size alone %.3f s,"
                " %.1f times the plain read\n",
                bestFill, bestFill / bestRead);
    std::printf("breakdown faultpost, for comparison: its lines (%d units each) copied one by one into fresh memory,"
                " freed again, %.3f s, %.1f times the plain read\n",
                averageLineUnits, bestLines, bestLines / bestRead);

    const double logBytes = static_cast<double>(logs.bytes);
    std::printf("# working set before composing %.1f MB (peak so far %.1f MB); the ratios below subtract nothing\n",
                static_cast<double>(before.WorkingSetSize) / kMegabyte,
                static_cast<double>(before.PeakWorkingSetSize) / kMegabyte);
    std::printf("# peak working set: composing %.1f MB, after the ANSI hand-over %.1f MB\n",
                static_cast<double>(composed.PeakWorkingSetSize) / kMegabyte,
                static_cast<double>(handedOver.PeakWorkingSetSize) / kMegabyte);

    printGoal("faultpost_compose_time_ratio", bestCompose / bestRead, kTimeRatioGoal);
    printGoal("faultpost_compose_peak_ratio", static_cast<double>(composed.PeakWorkingSetSize) / logBytes,
              kPeakRatioGoal);
    printGoal("faultpost_handover_peak_ratio", static_cast<double>(handedOver.PeakWorkingSetSize) / logBytes,
              kPeakRatioGoal);
}

}  // namespace

int main() {
    try {
        run();
        return 0;
    } catch (const IOException& e) {
        std::printf("benchmark failed: %ls\n", e.englishMessage.c_str());
    } catch (const std::exception& e) {
        std::printf("benchmark failed: %s\n", e.what());
    }
    return 1;
}
