// Benchmark: the client's start with the per-user class-data archive, through the launcher and a
// real Java runtime (the test bridge runs the Linux java where javaw.exe is expected), against
// the same start with the archive turned off by -Xshare:auto in win.vmoptions, which leaves the
// runtime its own default archive. Per runtime (OpenJDK 17 and its class-data archive; Temurin 25
// and its ahead-of-time cache, where it is installed) and per client (the demo client, and a
// larger one that loads 2,000 generated classes from 40 jars before its window opens), in rounds
// of three starts: without the archive and the first start with it (its folder cleared: the client
// lists its classes and a second run of the runtime assembles the archive beside it), in turns,
// then a later one (it hands the archive over). Each time runs from just before the launcher is started to the
// opening of the client's window (the client writes the system time of it). Prints:
//   archive_<runtime>_<client>_later_ratio: <later start / start without> (goal <= N) ok|MISSED
//   archive_<runtime>_<client>_first_ratio: <first start / start without> (goal <= 1.1) ok|MISSED
// each the median of the rounds' own ratios, and on "breakdown" lines the medians of the times,
// the range of the rounds' ratios, what listing costs at the client's end (from the window to the
// runtime's end, against the start without), how long the assembly runs after the launcher's end,
// the archive's size, and the launcher's own decision in this process (prepareClassDataArchive)
// for a runtime without the feature, for -Xshare:auto and with the archive in use.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "bench/BenchClock.h"
#include "launcher/commandline/ArchiveFolder.h"
#include "support/FindEntry.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::exists;

// One Linux runtime for the bridge: the archive kind follows its release file's version.
struct Runtime {
    const char* name;
    const char* home;
    double laterGoal;   // for the larger client
    int versionNumber;  // on runtimeVersionNumber's scale, for the decision alone
};

const Runtime kRuntimes[] = {{"openjdk17", "/usr/lib/jvm/java-17-openjdk-amd64", 0.8, 170000000},
                             {"temurin25", "/usr/lib/jvm/temurin-25-jdk-amd64", 0.6, 250000000}};
constexpr int kJava8 = 10800000;
constexpr int kDecisionRounds = 21;

struct Client {
    const char* name;
    int preloadedClasses;
    int rounds;
};

// The larger client carries the goals; the demo client's start is mostly the runtime's own and
// Swing's, whose classes the runtime's default archive holds already, so it has to be no slower.
const Client kClients[] = {{"large", 2000, 11}, {"demo", 0, 7}};
constexpr double kSmallClientGoal = 1.0;
constexpr double kFirstStartGoal = 1.1;

const wchar_t kRoot[] = L"C:\\brivane-bench-cds";
// The client closes its window this long after it opened.
const char kLifetimeSeconds[] = "0.2";
constexpr DWORD kStartTimeoutMs = 60000;
// The archive is assembled by a second runtime, beside the client.
constexpr DWORD kEndTimeoutMs = 180000;

double unixMs() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ull) / 10000.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The ratio of each round's pair of starts: the machine's pace drifts over a run by more than the
// archive changes, and a pair measured one right after the other shares it.
std::vector<double> roundRatios(const std::vector<double>& measured, const std::vector<double>& base) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < measured.size() && i < base.size(); ++i) ratios.push_back(measured[i] / base[i]);
    return ratios;
}

std::string rangeOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    char text[64] = "";
    if (!values.empty()) std::snprintf(text, sizeof(text), "%.2f to %.2f", values.front(), values.back());
    return text;
}

std::wstring windowsPathOf(const char* linuxPath) {
    std::wstring path = L"Z:" + testdriver::fromUtf8(linuxPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool copyInto(const std::wstring& source, const std::wstring& target) {
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

// An installation with its packaged runtime (the bridge and the release file of the Linux
// runtime it runs) and its per-user folder inside, named by launch.ini.
class Installation {
public:
    Installation(const Runtime& runtime, const Client& client, bool archiveOff)
        : folder_(std::wstring(kRoot) + L"\\" + testdriver::fromUtf8(runtime.name) + L"-" +
                  testdriver::fromUtf8(client.name) + (archiveOff ? L"-off" : L"-on")) {}

    bool create(const Runtime& runtime, const Client& client, bool archiveOff) const {
        const std::wstring bin = testdriver::binFolder();
        testdriver::makeFolders(folder_ + L"\\jre\\bin");
        testdriver::makeFolders(folder_ + L"\\lib");
        testdriver::makeFolders(userFolder());
        testdriver::writeBytes(folder_ + L"\\jre\\bin\\linux-java-home.txt", std::string(runtime.home) + "\n");
        testdriver::writeBytes(folder_ + L"\\jre\\release", testdriver::readBytes(windowsPathOf(runtime.home) + L"\\release"));
        testdriver::writeBytes(folder_ + L"\\launch.ini", "appDir=" + testdriver::utf8(userFolder()) + "\r\n");
        std::string options = "-Xmx256m \"-Ddemoclient.shown=" + testdriver::utf8(shownFile()) +
                              "\" -Ddemoclient.lifetime=" + kLifetimeSeconds;
        if (client.preloadedClasses > 0) options += " -Ddemoclient.preload=" + std::to_string(client.preloadedClasses);
        if (archiveOff) options += " -Xshare:auto";
        testdriver::writeBytes(folder_ + L"\\lib\\win.vmoptions", options + "\r\n");
        bool copied = copyInto(bin + L"tavrel-brivane.exe", folder_ + L"\\tavrel-brivane.exe") &&
                      copyInto(bin + L"tools\\java-bridge.exe", folder_ + L"\\jre\\bin\\javaw.exe") &&
                      copyInto(bin + L"tools\\democlient.jar", folder_ + L"\\lib\\client.jar");
        if (client.preloadedClasses == 0) return copied;
        WIN32_FIND_DATAW entry{};
        const UniqueFindHandle search(::FindFirstFileW((bin + L"tools\\heavyclient\\*.jar").c_str(), &entry));
        int jars = 0;
        if (search) {
            do {
                copied = copied && copyInto(bin + L"tools\\heavyclient\\" + entry.cFileName,
                                            folder_ + L"\\lib\\" + entry.cFileName);
                ++jars;
            } while (::FindNextFileW(search.get(), &entry));
        }
        return copied && jars > 0;
    }

    // One start: the time to the client's window, from the window to the runtime's end, and from
    // the launcher's end to the end of the archive's assembly; negative when the window never
    // opened or nothing was assembled.
    struct Start {
        double windowMs = -1;
        double endMs = -1;
        double assemblyMs = -1;
        std::string launchLog;
        std::string archiveLine() const {
            const std::size_t at = launchLog.find("Class data archive: ");
            return at == std::string::npos ? std::string()
                                           : launchLog.substr(at, launchLog.find_first_of("\r\n", at) - at);
        }
    };
    Start start() const {
        Start result;
        const std::wstring output = folder_ + L"\\jre\\bin\\java-output.log";
        const std::wstring assemblyOutput = folder_ + L"\\jre\\bin\\java-dump-output.log";
        ::DeleteFileW(shownFile().c_str());
        ::DeleteFileW(output.c_str());
        ::DeleteFileW(assemblyOutput.c_str());
        testdriver::removeTree(userFolder() + L"\\logs");
        const double started = unixMs();
        testdriver::Process launcher(L"\"" + folder_ + L"\\tavrel-brivane.exe\"");
        std::string shown;
        while (unixMs() - started < kStartTimeoutMs) {
            shown = testdriver::readBytes(shownFile());
            if (shown.find("window shown=") != std::string::npos) break;
            ::Sleep(10);
        }
        const std::size_t at = shown.find("window shown=");
        if (at == std::string::npos) {
            launcher.waitForExit(kStartTimeoutMs);
            result.launchLog = launchLog();
            return result;
        }
        const double windowAt = std::stod(shown.substr(at + 13));
        result.windowMs = windowAt - started;
        // The bridge copies what java said once the runtime has ended.
        while (!exists(output) && unixMs() - windowAt < kEndTimeoutMs) ::Sleep(10);
        if (exists(output)) result.endMs = unixMs() - windowAt;
        launcher.waitForExit(kStartTimeoutMs);
        const double launcherEnded = unixMs();
        result.launchLog = launchLog();
        if (result.launchLog.find("Class data archive: assembling from") == std::string::npos) return result;
        while (!exists(assemblyOutput) && unixMs() - launcherEnded < kEndTimeoutMs) ::Sleep(10);
        if (exists(assemblyOutput)) result.assemblyMs = unixMs() - launcherEnded;
        return result;
    }

    // The median time of the launcher's decision, as the launcher makes it for this installation.
    double decisionMs(int versionNumber, const std::wstring& vmOptions) const {
        std::wstring classpath;
        WIN32_FIND_DATAW entry{};
        const UniqueFindHandle search(::FindFirstFileW((userFolder() + L"\\lib\\*.jar").c_str(), &entry));
        if (search) {
            do classpath += (classpath.empty() ? L"" : L";") + userFolder() + L"\\lib\\" + entry.cFileName;
            while (::FindNextFileW(search.get(), &entry));
        }
        const ArchiveInputs inputs = {userFolder() + L"\\", folder_ + L"\\jre\\bin\\javaw.exe", versionNumber,
                                      classpath, vmOptions};
        LogfileWriter log(folder_ + L"\\decision.log");
        std::vector<double> times;
        for (int round = 0; round < kDecisionRounds; ++round) {
            const double started = bench::seconds();
            prepareClassDataArchive(inputs, log);
            times.push_back(1000.0 * (bench::seconds() - started));
        }
        return median(times);
    }
    std::string javaOutput() const { return testdriver::readBytes(folder_ + L"\\jre\\bin\\java-output.log"); }
    void clearArchives() const { testdriver::removeTree(userFolder() + L"\\cds"); }
    // The size of the archive or cache in the folder cds; 0 when there is none.
    long long archiveBytes() const {
        for (const wchar_t* pattern : {L"\\cds\\*.jsa", L"\\cds\\*.aot"}) {
            WIN32_FIND_DATAW entry{};
            const UniqueFindHandle search(::FindFirstFileW((userFolder() + pattern).c_str(), &entry));
            if (search) return testdriver::fileSize(userFolder() + L"\\cds\\" + entry.cFileName);
        }
        return 0;
    }
    void remove() const { testdriver::removeTree(folder_); }

private:
    std::wstring userFolder() const { return folder_ + L"\\user"; }
    std::wstring shownFile() const { return folder_ + L"\\shown.txt"; }
    std::string launchLog() const {
        WIN32_FIND_DATAW entry{};
        const std::wstring logs = userFolder() + L"\\logs\\";
        const UniqueFindHandle search(::FindFirstFileW((logs + L"*.log").c_str(), &entry));
        return search ? testdriver::readBytes(logs + entry.cFileName) : std::string();
    }

    std::wstring folder_;
};

// A start, and once more when its window did not open: under load a Wine start now and then
// hangs (the tests repeat such a run too). Said on a "#" line with the end of the launch log.
Installation::Start startWithRetry(const Installation& installation, const char* what) {
    Installation::Start start = installation.start();
    if (start.windowMs >= 0) return start;
    std::string log = start.launchLog;
    while (!log.empty() && (log.back() == '\r' || log.back() == '\n')) log.pop_back();
    const std::size_t lastLine = log.find_last_of('\n');
    std::printf("breakdown %s: the window did not open, started once more (the launch log's last line: %s)\n", what,
                log.substr(lastLine == std::string::npos ? 0 : lastLine + 1).c_str());
    return installation.start();
}

void printRatio(const std::string& name, double ratio, double goal) {
    std::printf("%s: %.2f (goal <= %g) %s\n", name.c_str(), ratio, goal, ratio <= goal ? "ok" : "MISSED");
}

// The rounds of one runtime and client. False when a start failed.
bool measure(const Runtime& runtime, const Client& client) {
    const Installation off(runtime, client, true);
    const Installation on(runtime, client, false);
    if (!off.create(runtime, client, true) || !on.create(runtime, client, false)) {
        std::fprintf(stderr, "the launcher, the bridge or the clients are not built next to the benchmark\n");
        return false;
    }
    // The first starts seed the per-user libraries and fill the file cache; the archive they
    // leave is cleared in every round.
    if (off.start().windowMs < 0 || on.start().windowMs < 0) {
        std::fprintf(stderr, "%s, %s client: the client's window did not open; java said:\n%s%s\n", runtime.name,
                     client.name, off.javaOutput().c_str(), on.javaOutput().c_str());
        return false;
    }
    std::vector<double> offMs, firstMs, laterMs, offEndMs, firstEndMs, assemblyMs, archiveMb;
    int handedOver = 0;
    for (int round = 0; round < client.rounds; ++round) {
        const std::string pair = std::string(runtime.name) + ", " + client.name + " client, ";
        // Each of the two comes first in every other round: what one start leaves behind (a file
        // cache, a flush of the archive just written) weighs on both alike.
        Installation::Start without, first;
        const auto startWithout = [&] { without = startWithRetry(off, (pair + "start without the archive").c_str()); };
        const auto startFirst = [&] {
            on.clearArchives();
            first = startWithRetry(on, (pair + "first start").c_str());
        };
        if (round % 2 == 0) {
            startWithout();
            startFirst();
        } else {
            startFirst();
            startWithout();
        }
        archiveMb.push_back(static_cast<double>(on.archiveBytes()) / (1024.0 * 1024.0));
        const Installation::Start later = startWithRetry(on, (pair + "later start").c_str());
        if (without.windowMs < 0 || first.windowMs < 0 || later.windowMs < 0) {
            const Installation::Start& failed = without.windowMs < 0 ? without : first.windowMs < 0 ? first : later;
            std::fprintf(stderr, "%s, %s client: the %s start did not open the window; java said:\n%s\nlaunch log:\n%s\n",
                         runtime.name, client.name,
                         without.windowMs < 0 ? "measured" : first.windowMs < 0 ? "first" : "later",
                         (without.windowMs < 0 ? off : on).javaOutput().c_str(), failed.launchLog.c_str());
            return false;
        }
        offMs.push_back(without.windowMs);
        firstMs.push_back(first.windowMs);
        laterMs.push_back(later.windowMs);
        offEndMs.push_back(without.endMs);
        firstEndMs.push_back(first.endMs);
        assemblyMs.push_back(first.assemblyMs);
        if (later.archiveLine().find("(in use)") != std::string::npos) ++handedOver;
        else std::printf("breakdown %s, %s client, later start without the archive: %s\n", runtime.name, client.name,
                         later.archiveLine().c_str());
    }
    std::printf("breakdown %s, %s client: window after %.0f ms without the archive, %.0f ms at the first start, "
                "%.0f ms later (%d of %d later starts handed it over); medians of %d rounds\n",
                runtime.name, client.name, median(offMs), median(firstMs), median(laterMs), handedOver,
                client.rounds, client.rounds);
    std::printf("breakdown %s, %s client, writing the archive: from the window to the runtime's end %.0f ms at the "
                "first start, %.0f ms without the archive; the assembly beside the client ran %.0f ms after the "
                "launcher's end; the archive %.1f MB\n",
                runtime.name, client.name, median(firstEndMs), median(offEndMs), median(assemblyMs), median(archiveMb));
    const std::vector<double> laterRatios = roundRatios(laterMs, offMs);
    const std::vector<double> firstRatios = roundRatios(firstMs, offMs);
    std::printf("breakdown %s, %s client, the rounds' ratios: later start %s, first start %s\n", runtime.name,
                client.name, rangeOf(laterRatios).c_str(), rangeOf(firstRatios).c_str());
    const std::string figure = std::string("archive_") + runtime.name + "_" + client.name;
    printRatio(figure + "_later_ratio", median(laterRatios),
               client.preloadedClasses > 0 ? runtime.laterGoal : kSmallClientGoal);
    printRatio(figure + "_first_ratio", median(firstRatios), kFirstStartGoal);
    // The archive of the last later start is in place.
    std::printf("breakdown %s, %s client, the launcher's decision: %.3f ms for a Java 8, %.3f ms with -Xshare:auto, "
                "%.3f ms with the archive in use\n",
                runtime.name, client.name, on.decisionMs(kJava8, L""), on.decisionMs(runtime.versionNumber, L"-Xshare:auto"),
                on.decisionMs(runtime.versionNumber, L""));
    off.remove();
    on.remove();
    return true;
}

}  // namespace

// Arguments such as "openjdk17-large" measure only those pairs of runtime and client.
int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> chosen(argv + 1, argv + argc);
    if (!exists(testdriver::builtFile(L"tools\\democlient.jar"))) {
        std::fprintf(stderr, "no demo client built: the benchmark needs a JDK at build time\n");
        return 1;
    }
    bool measured = true;
    for (const Runtime& runtime : kRuntimes) {
        if (!exists(windowsPathOf(runtime.home) + L"\\release")) {
            std::printf("breakdown %s: not installed in %s, its figures are left out\n", runtime.name, runtime.home);
            continue;
        }
        for (const Client& client : kClients) {
            const std::wstring pair = testdriver::fromUtf8(std::string(runtime.name) + "-" + client.name);
            if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), pair) == chosen.end()) continue;
            measured = measure(runtime, client) && measured;
        }
    }
    testdriver::removeTree(kRoot);
    return measured ? 0 : 1;
}
