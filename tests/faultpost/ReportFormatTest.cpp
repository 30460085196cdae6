#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "faultpost/Faultpost.h"
#include "faultpost/ReportFormat.h"
#include "tests/driver/CaseTable.h"

namespace {

TEST(WindowsName, FollowsTheVersionTable) {
    using Number = unsigned long;
    constexpr unsigned char kWorkstation = VER_NT_WORKSTATION;
    constexpr unsigned char kServer = VER_NT_SERVER;
    testdriver::forEachRow<Number, Number, Number, Number, unsigned char, const wchar_t*>({
        {3, 51, 1057, 2, kWorkstation, L"Windows NT 3.51"},
        {3, 7, 0, 2, kWorkstation, L"Windows NT 3.51"},  // any minor version of 3
        {4, 0, 950, 1, kWorkstation, L"Windows 95"},
        {4, 0, 1381, 2, kWorkstation, L"Windows NT 4.0"},
        {4, 0, 1381, 0, kWorkstation, L"Windows NT 4.0"},
        {4, 10, 1998, 1, kWorkstation, L"Windows 98"},
        {4, 90, 3000, 1, kWorkstation, L"Windows Me"},
        {4, 1, 0, 1, kWorkstation, L""},
        {5, 0, 2195, 2, kWorkstation, L"Windows 2000"},
        {5, 1, 2600, 2, kWorkstation, L"Windows XP"},
        {5, 2, 3790, 2, kServer, L"Windows Server 2003 family"},
        {5, 3, 0, 2, kWorkstation, L""},
        {6, 0, 6002, 2, kWorkstation, L"Windows Vista"},
        {6, 1, 7601, 1, kWorkstation, L"Windows 7"},  // only 4.0 looks at the platform
        {6, 1, 7601, 2, kServer, L"Windows 7"},       // and only 10.0 at the product type
        {6, 2, 9200, 2, kWorkstation, L"Windows 8"},
        {6, 3, 9600, 2, kWorkstation, L"Windows 8.1"},
        {6, 4, 9841, 2, kWorkstation, L""},
        {10, 0, 10240, 2, kWorkstation, L"Windows 10"},
        {10, 0, 21999, 2, kWorkstation, L"Windows 10"},
        {10, 0, 22000, 2, kWorkstation, L"Windows 11"},
        {10, 0, 26100, 2, kWorkstation, L"Windows 11"},
        {10, 0, 14393, 2, kServer, L"Windows Server 2016"},
        {10, 0, 14393, 2, VER_NT_DOMAIN_CONTROLLER, L"Windows Server 2016"},
        {10, 0, 17763, 2, kServer, L"Windows Server 2019"},
        {10, 0, 20348, 2, kServer, L"Windows Server 2022"},
        {10, 0, 26100, 2, kServer, L"Windows Server 2025"},
        {10, 0, 19045, 2, kServer, L"Windows Server"},  // a semi-annual server build
        {10, 1, 19045, 2, kWorkstation, L""},
        {11, 0, 22000, 2, kWorkstation, L""},
        {2, 0, 0, 2, kWorkstation, L""},
    }, [](Number major, Number minor, Number build, Number platformId, unsigned char productType, const wchar_t* name) {
        // Several versions have no name: the version itself tells the rows apart.
        SCOPED_TRACE(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + " platform " +
                     std::to_string(platformId) + " product type " + std::to_string(productType));
        EXPECT_EQ(windowsName(major, minor, build, platformId, productType), name);
    });
}

TEST(SystemDescription, JoinsNumbersNameAndServicePackWithBlanks) {
    using Number = unsigned long;
    testdriver::forEachCase<Number, Number, Number, Number, const wchar_t*, const wchar_t*>({
        {"Windows 7 SP1", 6, 1, 7601, 2, L"Service Pack 1", L"OS Version = 6.1.7601 Windows 7 Service Pack 1"},
        {"no service pack keeps the blank", 6, 2, 9200, 2, L"", L"OS Version = 6.2.9200 Windows 8 "},
        {"unknown version keeps both blanks", 10, 1, 19045, 2, L"", L"OS Version = 10.1.19045  "},
        {"95 by platform", 4, 0, 950, 1, L" B", L"OS Version = 4.0.950 Windows 95  B"},
        {"numbers as signed decimals", 0xFFFFFFFFul, 0, 0, 2, L"", L"OS Version = -1.0.0  "},
    }, [&](Number major, Number minor, Number build, Number platformId, const wchar_t* servicePack,
           const wchar_t* line) {
        EXPECT_EQ(systemDescription(major, minor, build, platformId, VER_NT_WORKSTATION, servicePack), line);
    });
}

TEST(SortLogPaths, OrdersByCodeUnits) {
    std::vector<std::wstring> paths = {
        L"C:\\b\\logs\\x.log",
        L"C:\\a\\logs\\kvl_2024_01_02_000000.launch.log",
        L"C:\\a\\logs\\a.log",
        L"C:\\a\\logs\\B.log",
        L"C:\\a\\logs\\kvl_2023_12_31_235959.launch.log",
        L"C:\\a\\logs\\a.log.log",
        L"C:\\a\\logs\\\u00e4.log",
        L"C:\\a\\logs\\a.log",
        L"C:\\a_stage\\logs\\a.log",
    };
    sortLogPaths(paths);
    const std::vector<std::wstring> expected = {
        L"C:\\a\\logs\\B.log",  // upper case before lower case
        L"C:\\a\\logs\\a.log",
        L"C:\\a\\logs\\a.log",  // equal paths stay side by side
        L"C:\\a\\logs\\a.log.log",  // a prefix first
        L"C:\\a\\logs\\kvl_2023_12_31_235959.launch.log",  // oldest launcher log first
        L"C:\\a\\logs\\kvl_2024_01_02_000000.launch.log",
        L"C:\\a\\logs\\\u00e4.log",  // beyond ASCII by code unit
        L"C:\\a_stage\\logs\\a.log",  // '\' (0x5C) before '_' (0x5F): a folder before its longer sibling
        L"C:\\b\\logs\\x.log",
    };
    EXPECT_EQ(paths, expected);
}

TEST(ReportFitsHandOver, StopsWhereTheAnsiCopyWouldPassA32BitCount) {
    // Two bytes a unit plus 30 % must stay below 2^31 - 1: 825,955,248 units is the last that fits.
    constexpr long long kLastFitting = 825955248;
    const std::vector<std::wstring> oneLog = {L"C:\\a\\logs\\kvl_2024_03_05_090702.launch.log"};
    testdriver::expectEachCase<long long, bool>(reportFitsHandOver, {
        {"empty report", 0, true},
        {"100 MB of logs", expectedReportUnits(oneLog, 100000000ULL), true},
        {"last that fits", kLastFitting, true},
        {"one unit more", kLastFitting + 1, false},
        {"1 GB of logs", expectedReportUnits(oneLog, 1000000000ULL), false},
        {"1 GB of logs all in 3-byte characters, a third as many units", 1000000000LL / 3, true},
        {"beyond any count", 1LL << 50, false},
        {"negative", -1, false},
    });
    EXPECT_EQ(handOverLimitUnits(), kLastFitting);
}

TEST(RequestsSilence, LooksForTheExactWordAnywhere) {
    testdriver::forEachRow<const wchar_t*, bool>({
        {L"faultpost.exe silent", true},
        {L"\"C:\\Program Files\\faultpost.exe\" -silent", true},
        {L"faultpost.exe /silent", true},
        {L"\"C:\\silentinstall\\faultpost.exe\"", true},
        {L"faultpost.exe nonsilently", true},
        {L"faultpost.exe Silent", false},
        {L"faultpost.exe SILENT", false},
        {L"faultpost.exe silen t", false},
        {L"faultpost.exe", false},
        {L"", false},
    }, [&](const wchar_t* commandLine, bool silent) {
        EXPECT_EQ(requestsSilence(commandLine), silent);
    });
}

}  // namespace
