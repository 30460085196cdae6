// Which old launch logs a start deletes: the choice over names, then the deletion in a real folder
// with a file that another program holds.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "launcher/LaunchLogPruning.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/launcher/LauncherScenario.h"

namespace {

using Names = std::vector<std::wstring>;

// count launch log names of one day, a start a minute from 00:00 on.
Names launchLogs(int count, const wchar_t* day = L"2024_03_05") {
    Names names;
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        std::swprintf(name, 64, L"kvl_%ls_%02d%02d00.launch.log", day, i / 60, i % 60);
        names.push_back(name);
    }
    return names;
}

Names joined(Names first, const Names& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Names firstOf(const Names& names, std::size_t count) { return Names(names.begin(), names.begin() + count); }

TEST(LaunchLogsToDelete, KeepsTheNewestWithTheCurrentOneAmongThem) {
    const Names sixty = launchLogs(60);
    const Names reversed(sixty.rbegin(), sixty.rend());
    const std::wstring current = L"kvl_2024_03_06_080000.launch.log";
    testdriver::forEachCase<Names, std::wstring, std::size_t, Names>({
        {"none yet", {}, current, 50, {}},
        {"49 old ones and the current: nothing to do", joined(launchLogs(49), {current}), current, 50, {}},
        {"50 old ones: the oldest goes for the current", joined(launchLogs(50), {current}), current, 50,
         firstOf(sixty, 1)},
        {"60 old ones in listing order", joined(sixty, {current}), current, 50, firstOf(sixty, 11)},
        {"60 old ones listed newest first: sorted by the stamp", joined(reversed, {current}), current, 50,
         firstOf(sixty, 11)},
        {"the current one not listed (yet) still counts", sixty, current, 50, firstOf(sixty, 11)},
        {"a clock set back: the current one has the oldest name and stays", joined(sixty, {L"kvl_2001_01_01_000000.launch.log"}),
         L"kvl_2001_01_01_000000.launch.log", 50, firstOf(sixty, 11)},
        {"the current one told apart without case", joined(launchLogs(50), {L"KVL_2024_03_06_080000.LAUNCH.LOG"}),
         current, 50, firstOf(sixty, 1)},
        {"days sort by their digits, not the listing", joined(launchLogs(2, L"2024_12_31"), launchLogs(2, L"2023_01_01")),
         current, 2, joined(launchLogs(2, L"2023_01_01"), firstOf(launchLogs(2, L"2024_12_31"), 1))},
        {"upper-case letters sort with the lower-case ones",
         {L"KVL_2024_03_05_000001.launch.log", L"kvl_2024_03_05_000002.launch.log",
          L"kvl_2024_03_05_000000.LAUNCH.LOG"},
         current, 2, {L"kvl_2024_03_05_000000.LAUNCH.LOG", L"KVL_2024_03_05_000001.launch.log"}},
        {"other files are never chosen",
         joined(launchLogs(3), {L"client.log", L"kvl_.launch.log.bak", L"kvl_2020.launch.txt", L"xkvl_2020_01_01_000000.launch.log",
                                L"kvl_2020_01_01_000000.log", L"launch.log"}),
         current, 1, launchLogs(3)},
    }, [&](const Names& names, const std::wstring& currentLog, std::size_t keep, const Names& deleted) {
        EXPECT_EQ(launchLogsToDelete(names, currentLog, keep), deleted);
    });
}

// A real logs folder: the deletion, what stays when it cannot be done, and the one log line.
class RemoveOldLaunchLogsTest : public ::testing::Test {
protected:
    // The messages logged, without their time stamps.
    std::vector<std::string> removeAndLog(const std::wstring& current) {
        const std::wstring logFile = scratch_ / L"pruning.log";
        {
            LogfileWriter log(logFile);
            removeOldLaunchLogs(folder(), current, log);
        }
        return launchertest::logMessages(logFile);
    }

    std::wstring folder() const { return scratch_ / L"logs"; }

    Names namesLeft() const {
        Names names = launchertest::filesBelow(folder());
        std::sort(names.begin(), names.end());
        return names;
    }

    const testdriver::ScratchFolder scratch_{L"launch-log-pruning"};
};

TEST_F(RemoveOldLaunchLogsTest, DeletesWhatItCanAndSaysHowMany) {
    const Names old = launchLogs(53);
    const std::wstring current = L"kvl_2024_03_06_080000.launch.log";
    const Names others = {L"client.log", L"kvl_notes.txt"};
    testdriver::forEachCase<Names, std::vector<std::string>>({
        {"four removed", {}, {"Removed 4 old launch logs from " + testdriver::utf8(folder())}},
        {"the oldest held by a running program stays", firstOf(old, 1),
         {"Removed 3 old launch logs from " + testdriver::utf8(folder())}},
        {"every one held: nothing removed, nothing said", firstOf(old, 4), {}},
    }, [&](const Names& held, const std::vector<std::string>& messages) {
        testdriver::removeTree(folder());
        for (const std::wstring& name : joined(joined(old, others), {current})) {
            testdriver::writeBytes(folder() + L"\\" + name, "x\r\n");
        }
        // Without delete sharing the file cannot be deleted, on Windows and under Wine alike.
        std::vector<UniqueFileHandle> holders;
        for (const std::wstring& name : held) {
            holders.emplace_back(::CreateFileW((folder() + L"\\" + name).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holders.back());
        }

        EXPECT_EQ(removeAndLog(current), messages);
        Names expected = joined(joined(held, Names(old.begin() + 4, old.end())), joined(others, {current}));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesLeft(), expected);
    });
}

TEST_F(RemoveOldLaunchLogsTest, MissingFolderOrFolderNamedLikeALogIsLeftAlone) {
    const std::wstring current = L"kvl_2024_03_06_080000.launch.log";
    EXPECT_EQ(removeAndLog(current), std::vector<std::string>{});
    // The oldest entry is a folder: it is no log, so the oldest file goes in its place.
    const Names old = launchLogs(50);
    for (const std::wstring& name : old) testdriver::writeBytes(folder() + L"\\" + name, "x");
    const std::wstring folderLikeALog = folder() + L"\\kvl_2000_01_01_000000.launch.log";
    testdriver::makeFolders(folderLikeALog);
    EXPECT_EQ(removeAndLog(current),
              std::vector<std::string>{"Removed 1 old launch logs from " + testdriver::utf8(folder())});
    EXPECT_TRUE(isDirectory(folderLikeALog));
    EXPECT_EQ(namesLeft(), Names(old.begin() + 1, old.end()));
}

}  // namespace
