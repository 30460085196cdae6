// Reads a 100 MB UTF-8 log through FileInputStream + Utf8StreamReader and writes the same lines
// through LogfileWriter, each against the plain C runtime on the same file in the same run, and
// counts the allocations per line in the steady state.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>

#include "bench/text_io/AllocationCounter.h"
#include "bench/text_io/LogLines.h"
#include "support/FileInputStream.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "support/Utf8StreamReader.h"

namespace {

using benchtextio::allocationCount;
using benchtextio::logMessage;

constexpr long long kFileBytes = 100LL * 1000 * 1000;
constexpr int kRounds = 3;
// Lines before the steady state: the first long line has made every buffer grow by then.
constexpr unsigned long kWarmUpLines = 10000;
constexpr double kReadRatioGoal = 1.5;
constexpr double kWriteRatioGoal = 1.5;

double seconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring scratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder =
        std::wstring(temp, length) + L"bench_text_io_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// The same bytes the launcher writes: "yyyy.MM.dd HH:mm:ss " + message + CR LF, in UTF-8.
unsigned long generateLog(const std::wstring& path) {
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
    if (!file) return 0;
    std::wstring message;
    std::vector<char> bytes(1 << 16);
    long long written = 0;
    unsigned long lines = 0;
    while (written < kFileBytes) {
        logMessage(lines, message);
        const std::wstring line = L"2024.03.05 09:07:02 " + message + L"\r\n";
        const int count = ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, nullptr);
        std::fwrite(bytes.data(), 1, static_cast<std::size_t>(count), file.get());
        written += count;
        ++lines;
    }
    return lines;
}

struct Run {
    double seconds = 0;
    unsigned long lines = 0;
    unsigned long long units = 0;  // checksum, so neither loop can be left out
    std::size_t steadyAllocations = 0;
};

Run readWithSupport(const std::wstring& path) {
    Run run;
    const double start = seconds();
    FileInputStream input(path);
    Utf8StreamReader reader(input);
    std::size_t allocationsAtSteadyState = 0;
    int length = 0;
    while (const wchar_t* line = reader.readLine(length)) {
        run.units += static_cast<unsigned long long>(length) + line[0];
        if (++run.lines == kWarmUpLines) allocationsAtSteadyState = allocationCount();
    }
    run.steadyAllocations = allocationCount() - allocationsAtSteadyState;
    reader.close();
    run.seconds = seconds() - start;
    return run;
}

// The same work with the C runtime alone: fgets splits the lines, the system converts them.
Run readWithCrt(const std::wstring& path) {
    Run run;
    const double start = seconds();
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
    std::vector<char> bytes(1 << 16);
    std::vector<wchar_t> units(1 << 16);
    while (std::fgets(bytes.data(), static_cast<int>(bytes.size()), file.get())) {
        int count = static_cast<int>(std::strlen(bytes.data()));
        if (count > 0 && bytes[count - 1] == '\n') --count;
        if (count > 0 && bytes[count - 1] == '\r') --count;
        const int length =
            count > 0 ? ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, units.data(), static_cast<int>(units.size()))
                      : 0;
        units[length] = L'\0';
        run.units += static_cast<unsigned long long>(length) + units[0];
        ++run.lines;
    }
    run.seconds = seconds() - start;
    return run;
}

Run writeWithSupport(const std::wstring& path, unsigned long lines) {
    Run run;
    const double start = seconds();
    {
        LogfileWriter log(path);
        std::wstring message;
        std::size_t allocationsAtSteadyState = 0;
        for (unsigned long i = 0; i < lines; ++i) {
            logMessage(i, message);
            log.log(message);
            if (i + 1 == kWarmUpLines) allocationsAtSteadyState = allocationCount();
        }
        run.steadyAllocations = allocationCount() - allocationsAtSteadyState;
    }
    run.seconds = seconds() - start;
    run.lines = lines;
    return run;
}

// The same lines with the C runtime alone: strftime for the time stamp, the system for UTF-8.
Run writeWithCrt(const std::wstring& path, unsigned long lines) {
    Run run;
    const double start = seconds();
    {
        const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
        std::wstring message;
        std::vector<char> bytes(1 << 16);
        for (unsigned long i = 0; i < lines; ++i) {
            logMessage(i, message);
            const std::time_t now = std::time(nullptr);
            const int prefix = static_cast<int>(std::strftime(bytes.data(), 32, "%Y.%m.%d %H:%M:%S ", std::localtime(&now)));
            const int count = ::WideCharToMultiByte(CP_UTF8, 0, message.data(), static_cast<int>(message.size()),
                                                    bytes.data() + prefix, static_cast<int>(bytes.size()) - prefix - 2,
                                                    nullptr, nullptr);
            std::fwrite(bytes.data(), 1, static_cast<std::size_t>(prefix + count), file.get());
            std::fwrite("\r\n", 1, 2, file.get());
        }
    }
    run.seconds = seconds() - start;
    run.lines = lines;
    return run;
}

void report(const char* name, double figure, const char* op, double goal, bool met, int decimals) {
    std::printf("%s: %.*f (goal %s %.*f) %s\n", name, decimals, figure, op, decimals, goal, met ? "ok" : "MISSED");
}

}  // namespace

int main() {
    const std::wstring folder = scratchFolder();
    const std::wstring logPath = folder + L"generated.log";
    const std::wstring supportOut = folder + L"support.log";
    const std::wstring crtOut = folder + L"crt.log";
    int status = 0;
    try {
        const unsigned long lines = generateLog(logPath);
        if (lines == 0) throw std::runtime_error("cannot generate the log in the temporary folder");
        std::printf("log: %lu lines, %lld bytes\n", lines, kFileBytes);

        // Alternating rounds, best of each, so that a busy moment of the machine hits both sides.
        Run bestSupportRead, bestCrtRead, bestSupportWrite, bestCrtWrite;
        bestSupportRead.seconds = bestCrtRead.seconds = bestSupportWrite.seconds = bestCrtWrite.seconds = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            const Run crtRead = readWithCrt(logPath);
            const Run supportRead = readWithSupport(logPath);
            if (crtRead.lines != supportRead.lines || crtRead.units != supportRead.units) {
                throw std::runtime_error("the two readers disagree");
            }
            if (crtRead.seconds < bestCrtRead.seconds) bestCrtRead = crtRead;
            if (supportRead.seconds < bestSupportRead.seconds) bestSupportRead = supportRead;
            const Run crtWrite = writeWithCrt(crtOut, lines);
            const Run supportWrite = writeWithSupport(supportOut, lines);
            if (crtWrite.seconds < bestCrtWrite.seconds) bestCrtWrite = crtWrite;
            if (supportWrite.seconds < bestSupportWrite.seconds) bestSupportWrite = supportWrite;
        }
        std::printf("read: support %.3f s, C runtime %.3f s; write: support %.3f s, C runtime %.3f s\n",
                    bestSupportRead.seconds, bestCrtRead.seconds, bestSupportWrite.seconds, bestCrtWrite.seconds);

        const double readRatio = bestSupportRead.seconds / bestCrtRead.seconds;
        const double writeRatio = bestSupportWrite.seconds / bestCrtWrite.seconds;
        const double steadyLines = static_cast<double>(bestSupportRead.lines - kWarmUpLines);
        const double readAllocations = static_cast<double>(bestSupportRead.steadyAllocations) / steadyLines;
        const double writeAllocations = static_cast<double>(bestSupportWrite.steadyAllocations) / steadyLines;
        report("read ratio", readRatio, "<=", kReadRatioGoal, readRatio <= kReadRatioGoal, 2);
        report("read allocations per line", readAllocations, "==", 0.0, bestSupportRead.steadyAllocations == 0, 4);
        report("write ratio", writeRatio, "<=", kWriteRatioGoal, writeRatio <= kWriteRatioGoal, 2);
        report("write allocations per line", writeAllocations, "==", 0.0, bestSupportWrite.steadyAllocations == 0, 4);
    } catch (const IOException& e) {
        std::printf("benchmark failed: %ls\n", e.englishMessage.c_str());
        status = 1;
    } catch (const std::exception& e) {
        std::printf("benchmark failed: %s\n", e.what());
        status = 1;
    }
    ::DeleteFileW(logPath.c_str());
    ::DeleteFileW(supportOut.c_str());
    ::DeleteFileW(crtOut.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return status;
}
