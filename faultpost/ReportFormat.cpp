#include "faultpost/ReportFormat.h"

#include <algorithm>
#include <cwchar>

#include <windows.h>

#include "support/CapacityGrowth.h"

namespace {

// Windows 10, 11 and their servers all report 10.0; the build tells them apart.
std::wstring windows10Name(unsigned long build, unsigned char productType) {
    if (productType == VER_NT_WORKSTATION) return build < 22000 ? L"Windows 10" : L"Windows 11";
    switch (build) {
    case 14393:
        return L"Windows Server 2016";
    case 17763:
        return L"Windows Server 2019";
    case 20348:
        return L"Windows Server 2022";
    case 26100:
        return L"Windows Server 2025";
    }
    return L"Windows Server";
}

}  // namespace

std::wstring windowsName(unsigned long major, unsigned long minor, unsigned long build, unsigned long platformId,
                         unsigned char productType) {
    switch (major) {
    case 3:
        return L"Windows NT 3.51";
    case 4:
        switch (minor) {
        case 0:
            return platformId == VER_PLATFORM_WIN32_WINDOWS ? L"Windows 95" : L"Windows NT 4.0";
        case 10:
            return L"Windows 98";
        case 90:
            return L"Windows Me";
        }
        break;
    case 5:
        switch (minor) {
        case 0:
            return L"Windows 2000";
        case 1:
            return L"Windows XP";
        case 2:
            return L"Windows Server 2003 family";
        }
        break;
    case 6:
        switch (minor) {
        case 0:
            return L"Windows Vista";
        case 1:
            return L"Windows 7";
        case 2:
            return L"Windows 8";
        case 3:
            return L"Windows 8.1";
        }
        break;
    case 10:
        if (minor == 0) return windows10Name(build, productType);
        break;
    }
    return std::wstring();
}

std::wstring systemDescription(unsigned long major, unsigned long minor, unsigned long build,
                               unsigned long platformId, unsigned char productType, const std::wstring& servicePack) {
    // The numbers go through "%d", as the report has always shown them.
    wchar_t numbers[200] = {};
    std::swprintf(numbers, 200, L"OS Version = %d.%d.%d ", static_cast<int>(major),
                  static_cast<int>(minor), static_cast<int>(build));
    return numbers + windowsName(major, minor, build, platformId, productType) + L" " + servicePack;
}

long long longestReportHeadUnits() {
    // "OS Version = " and the numbers fill at most 199 units, "Windows Server 2003 family" is the
    // longest name, and szCSDVersion holds at most 127 characters.
    constexpr long long kLongestVersionLine = 199 + 26 + 1 + 127;
    return kLongestVersionLine + 2 + 10 + 2;
}

long long expectedReportUnits(const std::vector<std::wstring>& paths, unsigned long long logBytes) {
    constexpr long long kLineEnd = 2;
    constexpr long long kSeparatorLine = 10 + kLineEnd;
    constexpr long long kNoLogsLine = 13 + kLineEnd;
    // Sizes beyond any buffer only need to stay beyond it, without overflowing.
    constexpr unsigned long long kBeyondAnyBuffer = 1ULL << 40;
    long long units = longestReportHeadUnits() + 1;
    if (paths.empty()) return units + kNoLogsLine + kSeparatorLine;
    units += static_cast<long long>(logBytes < kBeyondAnyBuffer ? logBytes : kBeyondAnyBuffer);
    for (const std::wstring& path : paths) {
        units += static_cast<long long>(path.size()) + kLineEnd + kLineEnd + kSeparatorLine;
    }
    return units;
}

bool reportFitsHandOver(long long units) {
    // The hand-over's converter asks for two bytes a unit and grows by its own rule.
    return units >= 0 && units <= (1LL << 40) && grownCapacity(2 * units) >= 0;
}

long long handOverLimitUnits() {
    // Found by halving rather than by repeating the converter's growth arithmetic here.
    long long fits = 0;
    long long fails = 1LL << 40;
    while (fails - fits > 1) {
        const long long middle = fits + (fails - fits) / 2;
        (reportFitsHandOver(middle) ? fits : fails) = middle;
    }
    return fits;
}

void sortLogPaths(std::vector<std::wstring>& paths) {
    // std::wstring compares wchar_t values, which on Windows are the unsigned UTF-16 code units.
    std::sort(paths.begin(), paths.end());
}
