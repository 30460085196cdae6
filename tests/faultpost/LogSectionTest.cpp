#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "faultpost/LogFileSearch.h"
#include "faultpost/LogSection.h"
#include "faultpost/Report.h"
#include "faultpost/ReportLimit.h"
#include "support/CapacityGrowth.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

namespace {

// A file system as a table: the lister answers from it and notes which folders were asked.
struct FakeFolders {
    std::map<std::wstring, std::vector<std::wstring>> files;
    std::vector<std::wstring> asked;

    LogFileLister lister() {
        return [this](const std::wstring& folder, FoundLogs& found) {
            asked.push_back(folder);
            const auto listed = files.find(folder);
            if (listed == files.end()) return;
            for (const std::wstring& name : listed->second) found.paths.push_back(folder + name);
        };
    }
};

const LogFolders kFolders = {{L"P1\\", L"P2\\", L"P3\\", L"P4\\"}, {L"logs\\", L"..\\logs\\"}};

TEST(FindLogFiles, FallbacksOnlyWhileNothingIsFound) {
    using Paths = std::vector<std::wstring>;
    testdriver::forEachCase<std::map<std::wstring, Paths>, Paths, Paths>({
        {"profiles only, sorted across them",
         {{L"P3\\", {L"b.log", L"a.log"}}, {L"P1\\", {L"z.log"}}, {L"logs\\", {L"never.log"}}},
         {L"P1\\", L"P2\\", L"P3\\", L"P4\\"},
         {L"P1\\z.log", L"P3\\a.log", L"P3\\b.log"}},
        {"first fallback",
         {{L"logs\\", {L"x.log"}}, {L"..\\logs\\", {L"y.log"}}},
         {L"P1\\", L"P2\\", L"P3\\", L"P4\\", L"logs\\"},
         {L"logs\\x.log"}},
        {"second fallback",
         {{L"..\\logs\\", {L"y.log", L"X.log"}}},
         {L"P1\\", L"P2\\", L"P3\\", L"P4\\", L"logs\\", L"..\\logs\\"},
         {L"..\\logs\\X.log", L"..\\logs\\y.log"}},
        {"nothing anywhere", {}, {L"P1\\", L"P2\\", L"P3\\", L"P4\\", L"logs\\", L"..\\logs\\"}, {}},
    }, [&](const std::map<std::wstring, Paths>& files, const Paths& asked, const Paths& found) {
        FakeFolders fake{files, {}};
        EXPECT_EQ(findLogFiles(kFolders, fake.lister()).paths, found);
        EXPECT_EQ(fake.asked, asked);
    });
}

TEST(FindLogFiles, UnnamedLocalFolderListsTheRelativeFolderOncePerProfile) {
    // Without a local application data folder every profile's logs folder is the relative "logs\".
    const LogFolders folders = {{L"logs\\", L"logs\\", L"logs\\", L"logs\\"}, {L"logs\\", L"..\\logs\\"}};
    FakeFolders fake{{{L"logs\\", {L"a.log"}}}, {}};
    EXPECT_EQ(findLogFiles(folders, fake.lister()).paths,
              std::vector<std::wstring>(4, L"logs\\a.log"));
}

// Real folders below %TEMP%, composed through the same functions the program uses.
class ComposeReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = scratchFolder_.path() + L"\\";
        for (const wchar_t* profile : {L"brivane", L"brivane_quorsel", L"brivane_stage", L"cm"}) {
            folders_.profiles.push_back(root_ + L"TavrelBank\\" + profile + L"\\logs\\");
        }
        folders_.fallbacks = {root_ + L"cwd\\logs\\", root_ + L"logs\\"};
    }

    std::wstring logFolder(int profile) {
        testdriver::makeFolders(folders_.profiles[profile]);
        return folders_.profiles[profile];
    }

    // The report after its version line (which SystemDescription tests cover).
    std::wstring composedAfterVersionLine() {
        StringWriter report;
        PrintWriter writer(report);
        composeReport(writer, folders_);
        const std::wstring text = report.text();
        const size_t lineEnd = text.find(L"\r\n");
        EXPECT_NE(lineEnd, std::wstring::npos);
        EXPECT_EQ(text.compare(0, 13, L"OS Version = "), 0) << "first line: " << text.substr(0, lineEnd).size();
        return text.substr(lineEnd + 2);
    }

    const testdriver::ScratchFolder scratchFolder_{L"faultpost-compose"};
    std::wstring root_;
    LogFolders folders_;
};

TEST_F(ComposeReportTest, NoLogsAnywhere) {
    EXPECT_EQ(composedAfterVersionLine(), L"----------\r\nno logs found\r\n----------\r\n");
}

TEST_F(ComposeReportTest, TwoProfilesSortedByFullPath) {
    const std::wstring cm = logFolder(3);
    const std::wstring brivane = logFolder(0);
    testdriver::writeBytes(cm + L"client.log", "cm line\r\n");
    testdriver::writeBytes(brivane + L"kvl_2024_05_01_120000.launch.log", "newer\n");
    testdriver::writeBytes(brivane + L"kvl_2024_04_30_235959.launch.log", "older 1\r\nolder 2\r\n");
    testdriver::writeBytes(brivane + L"Zeta.log", "");
    testdriver::writeBytes(brivane + L"notes.txt", "not a log");
    testdriver::makeFolders(brivane + L"archive.log");  // a folder, skipped
    testdriver::writeBytes(brivane + L"archive.log\\inner.log", "not listed either");

    EXPECT_EQ(composedAfterVersionLine(),
              L"----------\r\n" +
              brivane + L"Zeta.log\r\n----------\r\n" +
              brivane + L"kvl_2024_04_30_235959.launch.log\r\nolder 1\r\nolder 2\r\n----------\r\n" +
              brivane + L"kvl_2024_05_01_120000.launch.log\r\nnewer\r\n----------\r\n" +
              cm + L"client.log\r\ncm line\r\n----------\r\n");
}

TEST_F(ComposeReportTest, FallbackOnlyWithoutProfileLogs) {
    testdriver::makeFolders(folders_.fallbacks[1]);
    testdriver::writeBytes(folders_.fallbacks[1] + L"fallback.log", "f\n");
    EXPECT_EQ(composedAfterVersionLine(),
              L"----------\r\n" + folders_.fallbacks[1] + L"fallback.log\r\nf\r\n----------\r\n");

    testdriver::writeBytes(logFolder(2) + L"stage.log", "s");
    EXPECT_EQ(composedAfterVersionLine(),
              L"----------\r\n" + folders_.profiles[2] + L"stage.log\r\ns\r\n----------\r\n");
}

TEST_F(ComposeReportTest, LogContentsBecomeReportLines) {
    const std::string longLine(3 * 1024 * 1024, 'x');
    const std::wstring folder = logFolder(1);
    // lines: what follows the path line, before the separator.
    testdriver::forEachCase<std::string, std::wstring>({
        {"CR LF and LF alike", "a\r\nb\nc", L"a\r\nb\r\nc\r\n"},
        {"inner CR stays", "x\ry\n", L"x\ry\r\n"},
        {"empty lines", "\r\n\r\n", L"\r\n\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF" "first\nsecond\n", L"\uFEFF" L"first\r\nsecond\r\n"},
        {"cut at a zero byte", std::string("before\0after\nnext\n", 18), L"before\r\nnext\r\n"},
        {"umlauts", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\n", L"\u00e4\u00f6\u00fc\u00df\r\n"},
        {"line of megabytes", longLine + "\nend", std::wstring(longLine.begin(), longLine.end()) + L"\r\nend\r\n"},
    }, [&](const std::string& bytes, const std::wstring& lines) {
        testdriver::writeBytes(folder + L"case.log", bytes);
        EXPECT_EQ(composedAfterVersionLine(), L"----------\r\n" + folder + L"case.log\r\n" + lines + L"----------\r\n");
    });
}

TEST_F(ComposeReportTest, InvalidUtf8StillGivesOneLinePerLogLine) {
    const std::wstring folder = logFolder(0);
    testdriver::writeBytes(folder + L"bad.log", "ok\n\xC3\n\xFF\xFE\x80 tail\n\xE2\x82\nlast\n");
    const std::wstring report = composedAfterVersionLine();
    const std::wstring head = L"----------\r\n" + folder + L"bad.log\r\nok\r\n";
    ASSERT_EQ(report.compare(0, head.size(), head), 0) << std::string(report.begin(), report.end());
    const std::wstring tail = L"\r\nlast\r\n----------\r\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.compare(report.size() - tail.size(), tail.size(), tail), 0);
    size_t lineEnds = 0;
    for (size_t at = report.find(L"\r\n"); at != std::wstring::npos; at = report.find(L"\r\n", at + 2)) ++lineEnds;
    EXPECT_EQ(lineEnds, 8u);  // separator, path, five log lines, separator
}

TEST_F(ComposeReportTest, LogThatCannotBeOpenedIsNamedAndTheOthersFollow) {
    const std::wstring folder = logFolder(0);
    const std::wstring first = folder + L"a-held.log";
    const std::wstring readable = folder + L"b-readable.log";
    const std::wstring last = folder + L"c-held.log";
    testdriver::writeBytes(first, "secret\n");
    testdriver::writeBytes(readable, "fine\n");
    testdriver::writeBytes(last, "secret\n");
    const std::wstring readableSection = readable + L"\r\nfine\r\n----------\r\n";
    // A found file is opened by its long-path form, which the stream's text names.
    const auto unreadableSection = [](const std::wstring& path) {
        return path + L"\r\nCould not be read: The file " + testdriver::longForm(path) +
               L" is not open\r\n----------\r\n";
    };
    testdriver::forEachCase<std::vector<std::wstring>, std::wstring>({
        {"first and last held", {first, last}, unreadableSection(first) + readableSection + unreadableSection(last)},
        {"every file held", {first, readable, last},
         unreadableSection(first) + unreadableSection(readable) + unreadableSection(last)},
    }, [&](const std::vector<std::wstring>& held, const std::wstring& section) {
        // Share mode 0 keeps every other opener out; Wine enforces share modes between handles
        // just as Windows does, so the report's deny-none open fails on it.
        std::vector<UniqueFileHandle> holders;
        for (const std::wstring& path : held) {
            holders.emplace_back(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holders.back());
        }
        EXPECT_EQ(composedAfterVersionLine(), L"----------\r\n" + section);
    });
}

TEST_F(ComposeReportTest, RoomReservedFromTheListedSizesTakesACrLfReportWithoutGrowing) {
    testdriver::forEachCase<std::string, bool>({
        {"CR LF lines with umlauts fit", "2024.03.05 09:07:02 AppDir=C:\\Users\\J\xC3\xBCrgen\r\n", false},
        {"LF-only lines take a unit more each: the writer grows by need", "a\n", true},
    }, [&](const std::string& line, bool grows) {
        std::string log;
        while (log.size() < 40000) log += line;
        testdriver::writeBytes(logFolder(0) + L"kvl_2024_03_05_090702.launch.log", log);
        testdriver::writeBytes(logFolder(3) + L"client.log", log + "last line without end");
        testdriver::makeFolders(logFolder(3) + L"old.log");  // a folder: no size of its own counted

        StringWriter reservedOnly;
        reserveReportRoom(reservedOnly, findLogFiles(folders_, addLogFiles));
        EXPECT_EQ(reservedOnly.length(), 0);

        StringWriter report;
        composeReportText(report, folders_);
        StringWriter grownByNeed;
        PrintWriter writer(grownByNeed);
        composeReport(writer, folders_);
        EXPECT_EQ(std::wstring(report.text()), std::wstring(grownByNeed.text()));

        if (grows) {
            EXPECT_GT(report.capacity(), reservedOnly.capacity());
        } else {
            EXPECT_EQ(report.capacity(), reservedOnly.capacity()) << "grew after the reserve";
            // One unit per byte, not more: a report twice the logs would double the memory.
            const long long logBytes = 2 * static_cast<long long>(log.size()) + 21;
            EXPECT_LE(reservedOnly.capacity(), grownCapacity(logBytes + 1000)) << "version line and paths within 1000";
        }
    });
}

TEST_F(ComposeReportTest, AddLogFilesIgnoresMissingFolders) {
    FoundLogs found{{L"kept"}, 7, {}};
    addLogFiles(root_ + L"missing\\", found);
    addLogFiles(logFolder(0), found);  // exists, empty
    EXPECT_EQ(found.paths, std::vector<std::wstring>{L"kept"});
    EXPECT_EQ(found.bytes, 7u);
}

TEST_F(ComposeReportTest, LastPartStartsWithAWholeLineAndEndsAtTheListedSize) {
    const std::wstring path = logFolder(0) + L"big.log";
    const std::string lines = "line one\r\nline two\r\nline three\r\n";  // lines begin at 0, 10, 20
    const std::wstring bytesLine = L"Bytes left out before this part to keep the report mailable: ";
    testdriver::forEachCase<std::string, unsigned long long, unsigned long long, std::wstring>({
        {"from inside a line: the next one", lines, 3, 32, bytesLine + L"10\r\nline two\r\nline three\r\n"},
        {"right after a line end", lines, 10, 32, bytesLine + L"10\r\nline two\r\nline three\r\n"},
        {"on the line's own LF", lines, 9, 32, bytesLine + L"10\r\nline two\r\nline three\r\n"},
        {"the file grew since it was listed: up to the listed size", lines, 3, 20, bytesLine + L"10\r\nline two\r\n"},
        {"no line begins before the end", lines, 21, 25, bytesLine + L"25\r\n"},
        {"an umlaut is never cut", "\xC3\xA4\xC3\xA4\n\xC3\xBC\n", 1, 7, bytesLine + L"5\r\n\u00fc\r\n"},
    }, [&](const std::string& bytes, unsigned long long first, unsigned long long end, const std::wstring& part) {
        testdriver::writeBytes(path, bytes);
        StringWriter report;
        PrintWriter writer(report);
        writeLogFilePart(writer, path, first, end);
        EXPECT_EQ(std::wstring(report.text()), path + L"\r\n" + part);
    });
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    StringWriter report;
    PrintWriter writer(report);
    writeLogFilePart(writer, path, 3, 32);
    EXPECT_EQ(std::wstring(report.text()),
              path + L"\r\nCould not be read: The file " + testdriver::longForm(path) + L" is not open\r\n");
}

// A client stuck in a logging loop: its log alone passes the limit, so the report carries its
// newest lines, and the older logs are left out with one line in their place.
TEST_F(ComposeReportTest, LogOverTheLimitGoesInWithItsNewestLines) {
    const std::wstring folder = logFolder(0);
    testdriver::writeBytes(folder + L"kvl_2024_03_05_090000.launch.log", "older start\r\n");
    testdriver::writeBytes(folder + L"kvl_2024_03_04_090000.launch.log", "oldest start\r\n");
    std::string loop;
    const std::string line = "2024.03.06 10:00:00 the same warning again\r\n";  // 45 bytes
    while (loop.size() < 9 * 1000 * 1000) loop += line;
    loop += "the newest line\r\n";
    // The client's log has no time stamp in its name: its last-write time (now) makes it the newest.
    testdriver::writeBytes(folder + L"client.log", loop);

    StringWriter report;
    composeReportText(report, folders_);
    const std::wstring text = report.text();
    EXPECT_LE(report.length(), kReportLimitUnits);
    EXPECT_GT(report.length(), kReportLimitUnits - 1000) << "the last part fills the room";
    const std::wstring head = folder + L"client.log\r\nBytes left out before this part to keep the report mailable: ";
    const std::size_t partAt = text.find(head);
    ASSERT_NE(partAt, std::wstring::npos);
    const std::size_t leftOut = std::stoull(text.substr(partAt + head.size(), 20));
    EXPECT_EQ(leftOut % line.size(), 0u) << "the part begins with a whole line";
    const std::wstring tail = L"\r\n2024.03.06 10:00:00 the same warning again\r\nthe newest line\r\n----------\r\n" +
                              std::wstring(L"Older log files left out to keep the report mailable: 2 in ") +
                              folder.substr(0, folder.size() - 1) + L"\r\n----------\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // Whole lines only between the left-out line and the end of the part.
    const std::size_t firstLine = text.find(L"\r\n", partAt + head.size()) + 2;
    EXPECT_EQ(text.compare(firstLine, 20, L"2024.03.06 10:00:00 "), 0);
}

TEST_F(ComposeReportTest, ListingNotesSizeAndLocalLastWriteTime) {
    const std::wstring path = logFolder(1) + L"client.log";
    testdriver::writeBytes(path, "12345");
    SYSTEMTIME local = {};
    local.wYear = 2023;
    local.wMonth = 4;
    local.wDay = 15;
    local.wHour = 10;
    local.wMinute = 30;
    local.wSecond = 7;
    FILETIME localFile;
    FILETIME utc;
    ASSERT_TRUE(::SystemTimeToFileTime(&local, &localFile) && ::LocalFileTimeToFileTime(&localFile, &utc));
    {
        const UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file && ::SetFileTime(file.get(), nullptr, nullptr, &utc));
    }
    FoundLogs found;
    addLogFiles(logFolder(1), found);
    ASSERT_EQ(found.facts.count(path), 1u);
    EXPECT_EQ(found.facts[path].bytes, 5u);
    EXPECT_EQ(found.facts[path].writeTime, 20230415103007ULL);
}

}  // namespace
