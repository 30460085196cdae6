// Which logs the report keeps whole, which one only by its last part, and which it leaves out, on
// plain values.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "faultpost/ReportLimit.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/TextFiles.h"

namespace {

using Logs = std::vector<ListedLog>;
using Parts = std::vector<std::string>;

// The plan in words: "whole <path>", "part <path> <first>-<end>", "left out <count> in <folder>".
Parts described(const std::vector<LogSectionPart>& parts) {
    Parts words;
    for (const LogSectionPart& part : parts) {
        const std::string path = testdriver::utf8(part.path);
        switch (part.kind) {
        case LogSectionPart::Kind::WholeFile:
            words.push_back("whole " + path);
            break;
        case LogSectionPart::Kind::LastPart:
            words.push_back("part " + path + " " + std::to_string(part.firstByte) + "-" + std::to_string(part.endByte));
            break;
        case LogSectionPart::Kind::LeftOutFiles:
            words.push_back("left out " + std::to_string(part.leftOutCount) + " in " + path);
            break;
        }
    }
    return words;
}

// Each log of 1000 bytes below takes 1023 units (path line of 7 + 2, a last line end, the
// separator), a folder's left-out line 74 with its separator, a last part of L\a.log 92 beside
// its bytes.
TEST(PlanLogSection, LeavesOutTheOldestUntilTheRestFits) {
    testdriver::forEachCase<Logs, long long, Parts>({
        {"nothing found", {}, 100, {}},
        {"everything fits exactly: all whole",
         {{L"L\\a.log", 1000, 3}, {L"L\\b.log", 1000, 1}, {L"L\\c.log", 1000, 2}}, 3069,
         {"whole L\\a.log", "whole L\\b.log", "whole L\\c.log"}},
        {"one unit short: the oldest goes, its line in its place",
         {{L"L\\a.log", 1000, 3}, {L"L\\b.log", 1000, 1}, {L"L\\c.log", 1000, 2}}, 3068,
         {"whole L\\a.log", "left out 1 in L", "whole L\\c.log"}},
        {"room for one: one line for both left out",
         {{L"L\\a.log", 1000, 3}, {L"L\\b.log", 1000, 1}, {L"L\\c.log", 1000, 2}}, 1100,
         {"whole L\\a.log", "left out 2 in L"}},
        {"equal times: the later in the list is the newer", {{L"L\\a.log", 1000, 5}, {L"L\\b.log", 1000, 5}}, 2000,
         {"left out 1 in L", "whole L\\b.log"}},
        {"two folders, each with its line",
         {{L"A\\a.log", 1000, 1}, {L"A\\b.log", 1000, 4}, {L"B\\c.log", 1000, 2}, {L"B\\d.log", 1000, 3}}, 2000,
         {"left out 1 in A", "whole A\\b.log", "left out 2 in B"}},
        {"only the other folder loses files",
         {{L"A\\a.log", 1000, 1}, {L"A\\b.log", 1000, 4}, {L"B\\c.log", 1000, 2}, {L"B\\d.log", 1000, 3}}, 4091,
         {"left out 1 in A", "whole A\\b.log", "whole B\\c.log", "whole B\\d.log"}},
        {"too large for the rest, not for the room: out with the older ones",
         {{L"L\\a.log", 1000, 1}, {L"L\\b.log", 3000, 2}, {L"L\\c.log", 1000, 3}}, 4000,
         {"left out 2 in L", "whole L\\c.log"}},
        {"a single log over the limit: its last part fills the room", {{L"L\\a.log", 100000, 1}}, 5000,
         {"part L\\a.log 95166-100000"}},
        {"over the limit behind newer small ones: its part takes the rest, the older stay out",
         {{L"L\\0.log", 1000, 0}, {L"L\\a.log", 100000, 1}, {L"L\\b.log", 1000, 2}}, 5000,
         {"left out 1 in L", "part L\\a.log 96189-100000", "whole L\\b.log"}},
        {"no room left for a part: left out", {{L"L\\a.log", 100000, 1}, {L"L\\b.log", 1000, 2}}, 1110,
         {"left out 1 in L", "whole L\\b.log"}},
    }, [&](const Logs& logs, long long room, const Parts& parts) {
        EXPECT_EQ(described(planLogSection(logs, room)), parts);
    });
}

TEST(LaunchLogStartTime, OnlyTheLaunchersOwnNames) {
    using Time = std::optional<unsigned long long>;
    testdriver::forEachCase<std::wstring, Time>({
        {"the launcher's name", L"kvl_2024_03_05_142501.launch.log", 20240305142501ULL},
        {"with its folder", L"C:\\Logs\\kvl_1999_12_31_235959.launch.log", 19991231235959ULL},
        {"in capitals", L"KVL_2024_03_05_142501.LAUNCH.LOG", 20240305142501ULL},
        {"a folder named like a launch log", L"kvl_2024_03_05_142501.launch.log\\client.log", std::nullopt},
        {"other extension", L"kvl_2024_03_05_142501.log", std::nullopt},
        {"dashes", L"kvl_2024-03-05_142501.launch.log", std::nullopt},
        {"a letter among the digits", L"kvl_2024_03_05_14250x.launch.log", std::nullopt},
        {"one digit more", L"kvl_2024_03_05_1425012.launch.log", std::nullopt},
        {"a client log", L"client.log", std::nullopt},
    }, [&](const std::wstring& path, const Time& time) { EXPECT_EQ(launchLogStartTime(path), time); });
}

TEST(ListedLogs, NameStampBeforeLastWriteTime) {
    FoundLogs found;
    found.paths = {L"L\\client.log", L"L\\kvl_2024_03_05_142501.launch.log", L"L\\unlisted.log"};
    found.facts[L"L\\client.log"] = {20, 20230101120000ULL};
    // A launch log copied later keeps the start in its name.
    found.facts[L"L\\kvl_2024_03_05_142501.launch.log"] = {10, 20250101000000ULL};
    const Logs logs = listedLogs(found);
    ASSERT_EQ(logs.size(), 3u);
    const struct { unsigned long long bytes, time; } kExpected[] = {
        {20, 20230101120000ULL}, {10, 20240305142501ULL}, {0, 0}};
    for (std::size_t i = 0; i < logs.size(); ++i) {
        SCOPED_TRACE(testdriver::utf8(found.paths[i]));
        EXPECT_EQ(logs[i].path, found.paths[i]);
        EXPECT_EQ(logs[i].bytes, kExpected[i].bytes);
        EXPECT_EQ(logs[i].time, kExpected[i].time);
    }
}

}  // namespace
