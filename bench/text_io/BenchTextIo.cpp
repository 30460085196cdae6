// Reads a 100 MB UTF-8 log through FileInputStream + Utf8StreamReader and writes the same lines
// through LogfileWriter, each against the plain C runtime on the same file in the same run, and
// counts the allocations per line in the steady state.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>

#include "bench/BenchClock.h"
#include "bench/text_io/AllocationCounter.h"
#include "bench/text_io/LogLines.h"
#include "support/DateTimeFormatter.h"
#include "support/FileInputStream.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "support/Utf8StreamReader.h"

namespace {

using bench::seconds;
using benchtextio::allocationCount;
using benchtextio::logMessage;

constexpr long long kFileBytes = 100LL * 1000 * 1000;
constexpr int kRounds = 3;
// Lines before the steady state: the longest lines of the mix (one long command line every 4999
// lines, after each kind of message) have made every buffer grow to its final size by then.
constexpr unsigned long kWarmUpLines = 100000;
constexpr double kReadRatioGoal = 1.5;
constexpr double kWriteRatioGoal = 1.5;

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

// The strictest C runtime reader: 64 KiB block reads, lines cut with memchr, a line that crosses
// a block carried over to the front.
Run readWithCrtBlocks(const std::wstring& path) {
    Run run;
    const double start = seconds();
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
    std::vector<char> bytes(1 << 16);
    std::vector<wchar_t> units(1 << 16);
    std::size_t kept = 0;
    for (;;) {
        const std::size_t count = std::fread(bytes.data() + kept, 1, bytes.size() - kept, file.get());
        const std::size_t valid = kept + count;
        const bool last = count == 0;
        std::size_t position = 0;
        while (position < valid) {
            const char* const lineStart = bytes.data() + position;
            const char* lineFeed = static_cast<const char*>(std::memchr(lineStart, '\n', valid - position));
            if (!lineFeed && !last) break;
            const std::size_t end = lineFeed ? static_cast<std::size_t>(lineFeed - bytes.data()) : valid;
            int length = static_cast<int>(end - position);
            if (length > 0 && lineStart[length - 1] == '\r') --length;
            const int converted = length > 0 ? ::MultiByteToWideChar(CP_UTF8, 0, lineStart, length, units.data(),
                                                                     static_cast<int>(units.size()))
                                             : 0;
            units[converted] = L'\0';
            run.units += static_cast<unsigned long long>(converted) + units[0];
            ++run.lines;
            position = lineFeed ? end + 1 : valid;
        }
        if (last) break;
        kept = valid - position;
        std::memmove(bytes.data(), bytes.data() + position, kept);
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

// The same lines with the C runtime alone: the clock is read per line as well (through chrono:
// Wine's time() costs some microseconds per call and would flatter the ratio), the stamp is
// rendered with strftime only when the second changes, and the system converts to UTF-8. With
// flushEachLine every line is handed to the system before the next, as LogfileWriter does so that
// a launcher killed in its wait leaves every line it logged: the floor of a write per line.
Run writeWithCrt(const std::wstring& path, unsigned long lines, bool flushEachLine = false) {
    Run run;
    const double start = seconds();
    {
        const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
        std::wstring message;
        std::vector<char> bytes(1 << 16);
        std::time_t renderedSecond = 0;
        int prefix = 0;
        for (unsigned long i = 0; i < lines; ++i) {
            logMessage(i, message);
            const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
            if (now != renderedSecond) {
                prefix = static_cast<int>(std::strftime(bytes.data(), 32, "%Y.%m.%d %H:%M:%S ", std::localtime(&now)));
                renderedSecond = now;
            }
            const int count = ::WideCharToMultiByte(CP_UTF8, 0, message.data(), static_cast<int>(message.size()),
                                                    bytes.data() + prefix, static_cast<int>(bytes.size()) - prefix - 2,
                                                    nullptr, nullptr);
            std::fwrite(bytes.data(), 1, static_cast<std::size_t>(prefix + count), file.get());
            std::fwrite("\r\n", 1, 2, file.get());
            if (flushEachLine) std::fflush(file.get());
        }
    }
    run.seconds = seconds() - start;
    run.lines = lines;
    return run;
}

// The time-stamp rendering alone, as LogfileWriter did it for every line before it kept the stamp
// for the second.
double stampSeconds(unsigned long lines) {
    const DateTimeFormatter formatter(L"yyyy.MM.dd ", L"HH:mm:ss ");
    std::wstring stamp;
    const double start = seconds();
    for (unsigned long i = 0; i < lines; ++i) formatter.format(stamp);
    return seconds() - start;
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
        Run bestSupportRead, bestCrtRead, bestBlockRead, bestSupportWrite, bestCrtWrite, bestFlushedWrite;
        bestSupportRead.seconds = bestCrtRead.seconds = bestBlockRead.seconds = 1e9;
        bestSupportWrite.seconds = bestCrtWrite.seconds = bestFlushedWrite.seconds = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            const Run crtRead = readWithCrt(logPath);
            const Run blockRead = readWithCrtBlocks(logPath);
            const Run supportRead = readWithSupport(logPath);
            if (crtRead.lines != supportRead.lines || crtRead.units != supportRead.units ||
                blockRead.lines != supportRead.lines || blockRead.units != supportRead.units) {
                throw std::runtime_error("the two readers disagree");
            }
            if (crtRead.seconds < bestCrtRead.seconds) bestCrtRead = crtRead;
            if (blockRead.seconds < bestBlockRead.seconds) bestBlockRead = blockRead;
            if (supportRead.seconds < bestSupportRead.seconds) bestSupportRead = supportRead;
            const Run crtWrite = writeWithCrt(crtOut, lines);
            const Run supportWrite = writeWithSupport(supportOut, lines);
            const Run flushedWrite = writeWithCrt(crtOut, lines, true);
            if (crtWrite.seconds < bestCrtWrite.seconds) bestCrtWrite = crtWrite;
            if (flushedWrite.seconds < bestFlushedWrite.seconds) bestFlushedWrite = flushedWrite;
            if (supportWrite.seconds < bestSupportWrite.seconds) bestSupportWrite = supportWrite;
        }
        std::printf("read: support %.3f s, C runtime fgets %.3f s, C runtime blocks %.3f s\n", bestSupportRead.seconds,
                    bestCrtRead.seconds, bestBlockRead.seconds);
        std::printf("write: support %.3f s, C runtime %.3f s, C runtime with a flush per line %.3f s;"
                    " the time stamp rendered for every line would take %.3f s\n",
                    bestSupportWrite.seconds, bestCrtWrite.seconds, bestFlushedWrite.seconds, stampSeconds(lines));

        const double readRatio = bestSupportRead.seconds / bestCrtRead.seconds;
        const double blockReadRatio = bestSupportRead.seconds / bestBlockRead.seconds;
        const double writeRatio = bestSupportWrite.seconds / bestCrtWrite.seconds;
        std::printf("allocations after the first %lu lines: read %zu, write %zu\n", kWarmUpLines,
                    bestSupportRead.steadyAllocations, bestSupportWrite.steadyAllocations);
        const double steadyLines = static_cast<double>(bestSupportRead.lines - kWarmUpLines);
        const double readAllocations = static_cast<double>(bestSupportRead.steadyAllocations) / steadyLines;
        const double writeAllocations = static_cast<double>(bestSupportWrite.steadyAllocations) / steadyLines;
        report("read ratio", readRatio, "<=", kReadRatioGoal, readRatio <= kReadRatioGoal, 2);
        report("read ratio to block reads", blockReadRatio, "<=", kReadRatioGoal, blockReadRatio <= kReadRatioGoal, 2);
        report("read allocations per line", readAllocations, "==", 0.0, bestSupportRead.steadyAllocations == 0, 4);
        report("write ratio", writeRatio, "<=", kWriteRatioGoal, writeRatio <= kWriteRatioGoal, 2);
        const double flushedWriteRatio = bestSupportWrite.seconds / bestFlushedWrite.seconds;
        report("write ratio to a flush per line", flushedWriteRatio, "<=", kWriteRatioGoal,
               flushedWriteRatio <= kWriteRatioGoal, 2);
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
